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
// program's font and the windows' icon, and names the application with its
// title, which the error box shows. A missing translation only leaves the
// buttons in English.
void PrepareApplication(QApplication& app);

// Where the database and the outputs live. The program folder itself whenever
// the user can write there, as in a copied folder, the build tree or a per-user install; else, for
// an install the user cannot write, <data home>/ztadrcnv, the data home being
// $XDG_DATA_HOME when it holds an absolute path and ~/.local/share otherwise.
QString WorkingFolderFor(const QString& appPath);

// Sets AppPath, ExeBaseName, WorkPath and DbPath, makes WorkPath the current
// directory and opens the working database there. A working folder
// apart from the program folder is created on the first start and given a copy
// of the empty database installed beside the executable; a database already
// there is never replaced. Never creates a database otherwise. On any failure
// the user is shown what happened to which file or folder, then the system's
// or the engine's own text on the next line, and nullptr is returned. The
// caller owns the database for the run.
std::unique_ptr<zt::Database> OpenWorkingDatabase(const QString& appPath, const QString& baseName);

// The eight job windows the main menu opens, each handed the working database
// and the folder they write to (the working folder).
ZTAdrF00::JobFactories JobWindows(zt::Database& db, const QString& folder);

// The whole start-up for main(): works in the working folder that the
// executable's own folder leads to (the command line is ignored), shows the
// main menu, runs until it closes.
// Returns the exit status: non-zero when the database could not be opened or
// a fatal error was reported.
int Main(QApplication& app);

}  // namespace ZTAdrM1
