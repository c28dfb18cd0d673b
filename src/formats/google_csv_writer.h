#pragma once

#include <QString>
#include <QStringView>

#include "card/person.h"
#include "formats/loss_report.h"

namespace zt {

// The output as its window, its loss report and the list of people name it.
inline constexpr QStringView kGoogleCsvOutput = u"Google 用 CSV 出力";

// Writes every person of the working database to `path` as the contacts CSV
// that Google Contacts imports and exports: UTF-8 without a byte-order mark,
// CR LF after every line, RFC 4180 quoting, Google's own column names on the
// first line. The groups become the person's labels. There are as many
// e-mail, phone, address and website columns as the person with the most of
// each needs (at least one of each), and every row has every column. What the
// card holds that no output carries goes in the loss report beside the file
// (zt::LossReport); returns the number of losses. Throws zt::Error on any
// failure; the file at `path` is then left as it was.
qsizetype writeGoogleCsv(const PersonSource& people, const OutputTarget& target);

// What writeGoogleCsv reports of `p`, added to `losses` as it adds it there.
void reportGoogleLosses(const Person& p, LossReport& losses);

}  // namespace zt
