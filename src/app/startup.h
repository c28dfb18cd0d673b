#pragma once

#include "app/main_menu.h"

class QApplication;

namespace zt {
class Database;
}

// The program's start once it has a display, in steps that tests can run one
// at a time.
namespace ZTAdrM1 {

// Loads Qt's own Japanese texts (はい/いいえ/OK in message boxes), sets the
// program's font and the windows' icon, and names the application with its
// title, which the error box shows. A missing translation only leaves the
// buttons in English.
void PrepareApplication(QApplication& app);

// The windows the main menu opens, the import's, every output's and the list
// of the people, each handed the working database and the folder they write to.
ZTAdrF00::JobFactories JobWindows(zt::Database& db, const QString& folder);

// The whole start-up for main(): works in the folders that the executable's
// own folder leads to, shows the main menu, runs until it closes.
// Returns the exit status: non-zero when the database could not be opened or
// a fatal error was reported.
int Main(QApplication& app);

}  // namespace ZTAdrM1
