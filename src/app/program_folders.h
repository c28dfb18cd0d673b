#pragma once

#include <QString>
#include <memory>

namespace zt {
class Database;
}

// Where the program works: an installed copy or a portable one, its folders
// for the working database and the outputs, and the database itself.
namespace ZTAdrM1 {

// The executable's file name without its extension: a program renamed to FOO
// looks for FOO.mdb and FOO.hlp.
QString ExecutableBaseName(const QString& executablePath);

// The working database of the program named `baseName` in `folder`: <folder>/<base name>.mdb.
QString DatabasePathIn(const QString& folder, const QString& baseName);

// The help file beside the executable, named after it: AppPath/<base name>.hlp.
QString HelpFilePath();

// An installed copy (`make install`, the package, the Windows installer) has the empty database
// `empty.mdb` beside its executable, read-only data that is never opened as a
// working database; any other copy (the build tree, a copied folder) is
// portable.
bool IsInstalledCopy(const QString& appPath);

// Where the working database lives: a portable copy's own folder; for an
// installed copy <data home>/ztadrcnv, the data home being $XDG_DATA_HOME when
// it holds an absolute path and ~/.local/share otherwise, %LOCALAPPDATA% on
// Windows. Root is a user like any other: each user has a database of their own.
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

}  // namespace ZTAdrM1
