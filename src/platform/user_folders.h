#pragma once

#include <QString>

// The folders a user's own data goes to, and what start-up asks of a folder,
// as each system has them.
namespace zt {

// Where programs keep a user's data: $XDG_DATA_HOME when it holds an absolute
// path, ~/.local/share otherwise; %LOCALAPPDATA% on Windows.
QString userDataFolder();

// Makes `folder` and its parents unless it is there, a folder made here
// readable by its user alone (on Windows the user's own folders are so
// already). On failure `error` holds the system's text.
bool makePrivateFolder(const QString& folder, QString& error);

// Whether files can be made in `folder`; if not, `error` holds the system's text.
bool canWriteIn(const QString& folder, QString& error);

// Whether `file` is an ordinary file of the user running the program: a file
// of someone else's is never read. Windows programs never kept a database
// beside an installed executable, so none there is the user's.
bool isOwnFile(const QString& file);

}  // namespace zt
