#pragma once

#include <QString>
#include <QStringView>

#include "card/person.h"
#include "formats/loss_report.h"

namespace zt {

// The output as its window, its loss report and the list of people name it.
inline constexpr QStringView kVCardOutput = u"vCard 出力";

// Writes every person `people` hands over to `path` as
// vCard 3.0 cards that today's mail programs and phones import: each with all
// its card holds of names, readings, e-mail addresses, phones, postal
// addresses, web pages, note and birthday, its groups as categories, and a
// UID that stays the same from run to run. UTF-8 without a byte-order mark,
// CR LF after every line, lines folded at 75 octets; no people give an empty
// file. What the card holds that no output carries goes in the loss report
// beside the file (zt::LossReport); returns the number of losses. Throws
// zt::Error on any failure; the file at `path` is then left as it was.
qsizetype writeVCard(const PersonSource& people, const OutputTarget& target);

// What writeVCard reports of `p`, added to `losses` as it adds it there.
void reportVCardLosses(const Person& p, LossReport& losses);

}  // namespace zt
