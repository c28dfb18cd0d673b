#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

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

// An installed copy (`make install`, the package) has the empty database
// `empty.mdb` beside its executable, read-only data that is never opened as a
// working database; any other copy (the build tree, a copied folder) is
// portable.
bool IsInstalledCopy(const QString& appPath);

// Where the working database lives: a portable copy's own folder; for an
// installed copy <data home>/ztadrcnv, the data home being $XDG_DATA_HOME when
// it holds an absolute path and ~/.local/share otherwise. Root is a user like
// any other: each user has a database of their own.
QString WorkingFolderFor(const QString& appPath);

// Where the job windows write: a portable copy's own folder; for an installed
// copy <the user's documents folder>/ZTADRCNV, where a file chooser finds it.
QString OutputFolderFor(const QString& appPath);

// Sets AppPath, ExeBaseName, WorkPath, DbPath and OutPath, makes WorkPath the
// current directory and opens the working database there. An installed copy
// makes its folders on the first start (the user's own two private to the
// user) and gives the working folder a copy of the installed empty database;
// a database already there is never replaced. A database that a per-user
// install of the earlier layout left beside the executable, if the user owns
// it, is moved there instead of the copy, and the user is told where it went.
// A portable copy needs its folder writable and never creates a database. On
// any failure the user is shown what happened to which file or folder, then
// the system's or the engine's own text on the next line, and nullptr is
// returned. The caller owns the database for the run.
std::unique_ptr<zt::Database> OpenWorkingDatabase(const QString& appPath, const QString& baseName);

// The eight job windows the main menu opens, each handed the working database
// and the folder they write to.
ZTAdrF00::JobFactories JobWindows(zt::Database& db, const QString& folder);

// Reads the options (`arguments` as main() got them): answers --help and
// --version on standard output and returns 0, and a wrong option or argument
// with the usage on standard error and 2. Returns nothing when the program is
// to start. Needs no display and no application object.
std::optional<int> HandleCommandLine(const QStringList& arguments);

// Held while the QApplication is made. Qt ends the process with abort() and a
// core dump when it cannot reach a display (started over ssh, say); under the
// guard that is one line on standard error and exit status 1. Qt's other
// messages meanwhile are held and passed on when the guard goes.
class DisplayGuard {
public:
    DisplayGuard();
    ~DisplayGuard();
    DisplayGuard(const DisplayGuard&) = delete;
    DisplayGuard& operator=(const DisplayGuard&) = delete;
};

// The whole start-up for main(): works in the folders that the executable's
// own folder leads to, shows the main menu, runs until it closes.
// Returns the exit status: non-zero when the database could not be opened or
// a fatal error was reported.
int Main(QApplication& app);

}  // namespace ZTAdrM1
