#pragma once

#include <QString>
#include <memory>

#include "app/main_menu.h"

class QApplication;

namespace zt {
class Database;
}

// The program's entry, in steps that tests can run one at a time.
namespace ZTAdrM1 {

// The executable's file name without its extension: a program renamed to FOO
// looks for FOO.mdb and FOO.hlp.
QString ExecutableBaseName(const QString& executablePath);

// The help file beside the executable, named after it: AppPath/<base name>.hlp.
QString HelpFilePath();

// Loads Qt's own Japanese texts (はい/いいえ/OK in message boxes), sets the
// program's font, and names the application with its title, which the error
// box shows. A missing translation only leaves the buttons in English.
void PrepareApplication(QApplication& app);

// Sets AppPath, ExeBaseName and DbPath, makes AppPath the current directory and
// opens the working database there, setting Db. Never creates the database. On
// any failure the user is shown what happened to the file, then the engine's
// own text on the next line, and nullptr is returned. The caller owns the database for the run.
std::unique_ptr<zt::Database> OpenWorkingDatabase(const QString& appPath, const QString& baseName);

// The seven job windows the main menu opens, each handed the working database
// and the program folder.
ZTAdrF00::JobFactories JobWindows(zt::Database& db, const QString& appPath);

// The whole start-up for main(): works in the executable's own folder (the
// command line is ignored), shows the main menu, runs until it closes.
// Returns the exit status: non-zero when the database could not be opened or
// a fatal error was reported.
int Main(QApplication& app);

}  // namespace ZTAdrM1
