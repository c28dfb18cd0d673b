#pragma once

#include <QString>
#include <QStringView>

#include "card/person.h"
#include "formats/loss_report.h"

namespace zt {

// The output as its window, its loss report and the list of people name it.
inline constexpr QStringView kOutlookCsvOutput = u"Outlook 用 CSV 出力";

// Which Outlook the file is for. Each finds a column by its header alone, and
// only by the name its own interface gives the field.
enum class OutlookLayout {
    // Outlook for Windows, as a Japanese office runs it: its own Japanese
    // export, CP932 without a byte-order mark, which it pairs by itself.
    Windows,
    // The new Outlook for Windows and Outlook.com: English column names in
    // UTF-8 with a byte-order mark.
    New,
};

// Writes every person `people` hands over to `path` as the contacts CSV of
// `layout`, CR LF after every line: the header, then a row per person as wide
// as it, with as many of the card's e-mail addresses, phones and postal
// addresses as the layout has columns for and the person's groups as its
// categories. What has no column, or a character CP932 lacks (written "?"),
// goes in the loss report beside the file (zt::LossReport), with what the card
// holds that no output carries; returns the number of losses. Throws
// zt::Error on any failure; the file at `path` is then left as it was.
qsizetype writeOutlookCsv(const PersonSource& people, const OutputTarget& target, OutlookLayout layout);

// What writeOutlookCsv reports of `p` in `layout`, added to `losses` as it adds it there.
void reportOutlookLosses(const Person& p, OutlookLayout layout, LossReport& losses);

}  // namespace zt
