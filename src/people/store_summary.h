#pragma once

#include <QDateTime>
#include <QString>

#include "db/database.h"

// What the working database holds, in numbers, and where and when its last
// import read it: what the main menu tells the user.
namespace zt {

struct StoreSummary {
    qsizetype people = 0;   // as the person outputs write them (出力人物)
    qsizetype cards = 0;    // the stored entries, a card each
    qsizetype groups = 0;   // the distinct group names a membership gives, the empty one not counted
    bool recorded = false;  // the last import kept where and when it read (取込記録 has its row)
    QString folder;         // the folder it read, as the user chose it
    QDateTime importedAt;   // when it ended, in local time; invalid where the stored text is not a time
};

// Reads the summary in one statement, so the numbers belong together.
// Throws zt::Error as the database does.
StoreSummary readStoreSummary(Database& db);

}  // namespace zt
