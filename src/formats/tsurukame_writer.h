#pragma once

#include <QChar>
#include <QDate>
#include <QString>
#include <functional>

#include "db/database.h"
#include "formats/loss_report.h"

namespace zt {

// Writes the Tsurukame address book to `path` (CP932, CR LF after each line):
// first the entries of 出力情報 that have no group, then for each distinct group
// of グループ情報 a heading line "G1 <group>" and that group's entries, each block
// ordered by name and address. An entry line is "名前,アドレス,yyyy/MM/dd" and the
// remarks that `choice` ('1' to '4') builds from company, department and title;
// any other choice writes no remarks. Nothing is quoted.
//
// `today` is asked for every line, so a run that passes midnight dates its later
// lines with the new day. What CP932 cannot hold goes in the loss report beside
// the file, person by person, a group's heading with each of its entries
// (zt::LossReport). Returns the number of losses. Throws zt::Error on any
// failure; the file at `path` is then left as it was.
qsizetype writeTsurukame(Database& db, const OutputTarget& target, QChar choice,
                         const std::function<QDate()>& today = &QDate::currentDate);

}  // namespace zt
