#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace zt {

// One name in a folder, as the file system holds it: bytes, in whatever
// encoding the program that made it used (on Windows, whose names are UTF-16,
// their UTF-8).
struct DirectoryEntry {
    QByteArray name;
    QString text;           // the name as the user reads it (decodeFileName)
    bool isFolder = false;  // links are followed: a link to a folder is a folder
    bool isFile = false;    // a regular file; never a device, a FIFO or a dangling link
    bool hidden = false;    // a leading "." here; the hidden or system attribute on Windows
};

// A name that is valid UTF-8 is read as UTF-8. Any other was made on Windows
// (an archive unpacked without converting its names) and is read as CP932, a
// byte that means nothing there becoming U+FFFD.
QString decodeFileName(const QByteArray& name);
// A path as listDirectory and AnsiTextReader::fromNativePath take it.
QByteArray encodeFileName(const QString& path);

// Every name in `folder` (its path in the file system's own bytes) but "."
// and "..", in no particular order. Throws zt::Error when the folder is
// missing or cannot be read: that must not pass for an empty folder.
std::vector<DirectoryEntry> listDirectory(const QByteArray& folder);

}  // namespace zt
