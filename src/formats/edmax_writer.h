#pragma once

#include <QChar>
#include <QString>
#include <functional>

#include "db/database.h"
#include "formats/loss_report.h"

namespace zt {

enum class EdMaxPass { Groups, Entries };

// Writes the EdMax address book to `path` (CP932, CR LF after each line): a
// three-line record per distinct group of グループ情報 (the name, a line holding
// one TAB, an empty line), then a record per row of 出力情報 ordered by group,
// name and address: "名前<TAB><TAB>グループ", "アドレス" and the memo line that
// `layout` ('1' to '8') builds from company, department and title. Any other
// layout writes no memo line, so those records have two lines.
//
// `onPass` is told as each pass starts, so a window can show its progress.
// What CP932 cannot hold goes in the loss report beside the file, person by
// person (zt::LossReport). Returns the number of losses. Throws zt::Error on
// any failure; the file at `path` is then left as it was.
qsizetype writeEdMax(Database& db, const OutputTarget& target, QChar layout,
                     const std::function<void(EdMaxPass)>& onPass = {});

}  // namespace zt
