#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace zt {

// One name in a folder, as the file system holds it: bytes, in whatever
// encoding the program that made it used.
struct DirectoryEntry {
    QByteArray name;
    QString text;           // the name as the user reads it (decodeFileName)
    bool isFolder = false;  // links are followed: a link to a folder is a folder
    bool isFile = false;    // a regular file; never a device, a FIFO or a dangling link
};

// A name that is valid UTF-8 is read as UTF-8. Any other was made on Windows
// (an archive unpacked without converting its names) and is read as CP932, a
// byte that means nothing there becoming U+FFFD.
QString decodeFileName(const QByteArray& name);

// The visible names in `folder` (its path in the file system's own bytes), in
// no particular order. Hidden names (a leading ".") are left out. Throws
// zt::Error when the folder is missing or cannot be read: that must not pass
// for an empty folder.
std::vector<DirectoryEntry> listDirectory(const QByteArray& folder);

}  // namespace zt
