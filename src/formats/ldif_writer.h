#pragma once

#include <QString>
#include <QStringView>

#include "card/person.h"
#include "formats/loss_report.h"

namespace zt {

// The output as its window, its loss report and the list of people name it.
inline constexpr QStringView kLdifOutput = u"Thunderbird 用 LDIF 出力";

// Writes every person `people` hands over to `path` as
// LDIF the way Thunderbird writes an address book: a record per person with
// as much of its card as Thunderbird has attributes for, then a record per
// group listing its people, so that Thunderbird's import makes each group a
// mailing list. Every dn is unique and as RFC 4514 writes one; every member
// names one of them, its address as Thunderbird looks it up (unescaped). UTF-8,
// CR LF line ends, no folded lines. What has no attribute goes in the loss
// report beside the file (zt::LossReport), with what the card holds that no
// output carries; returns the number of losses. Throws zt::Error on any
// failure; the file at `path` is then left as it was.
qsizetype writeLdif(const PersonSource& people, const OutputTarget& target);

// What writeLdif reports of `p`, added to `losses` as it adds it there.
void reportLdifLosses(const Person& p, LossReport& losses);

}  // namespace zt
