#pragma once

#include <QString>
#include <QStringView>

#include "card/person.h"
#include "formats/loss_report.h"

namespace zt {

// The output as its window, its loss report and the list of people name it.
inline constexpr QStringView kOutlookCsvOutput = u"Outlook 用 CSV 出力";

// Writes every person `people` hands over to `path` as
// the contacts CSV that Outlook and Outlook.com import: UTF-8 with a
// byte-order mark, Outlook's English column names on the first line, CR LF
// after every line, as many of the card's e-mail addresses, phones and
// postal addresses as Outlook has columns for, the person's groups as its
// categories. What has no column goes in the loss report beside the file
// (zt::LossReport), with what the card holds that no output carries; returns
// the number of losses. Throws zt::Error on any failure; the file at `path`
// is then left as it was.
qsizetype writeOutlookCsv(const PersonSource& people, const OutputTarget& target);

// What writeOutlookCsv reports of `p`, added to `losses` as it adds it there.
void reportOutlookLosses(const Person& p, LossReport& losses);

}  // namespace zt
