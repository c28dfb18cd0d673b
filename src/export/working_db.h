#pragma once

#include <QString>

#include "app/app_state.h"
#include "db/database.h"
#include "platform/error.h"

// The writer windows' way to the one open working database. A window opened
// before start-up has set it gets an error report instead of a crash.
inline zt::Database& workingDatabase() {
    if (ZTAdrM1::Db == nullptr) {
        throw zt::Error(QStringLiteral("作業用データベースが開かれていません。"));
    }
    return *ZTAdrM1::Db;
}
