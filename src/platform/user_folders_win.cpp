#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>

#include "platform/user_folders.h"
#include "platform/win32.h"

namespace zt {

// The variable names the known folder; read first so that a test can point
// it elsewhere, as XDG_DATA_HOME does.
QString userDataFolder() {
    const QString local = QDir::fromNativeSeparators(qEnvironmentVariable("LOCALAPPDATA"));
    return QDir::isAbsolutePath(local)
               ? local
               : QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

bool makePrivateFolder(const QString& folder, QString& error) {
    const QString path = QDir::cleanPath(folder);
    if (QFileInfo(path).isDir()) {
        return true;
    }
    const QString parent = QFileInfo(path).path();
    if (parent != path && !QFileInfo(parent).isDir() && !makePrivateFolder(parent, error)) {
        return false;
    }
    if (!::CreateDirectoryW(win32::wide(path).c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
        error = win32::errorText(::GetLastError());
        return false;
    }
    if (!QFileInfo(path).isDir()) {
        error = win32::errorText(ERROR_DIRECTORY);
        return false;
    }
    return true;
}

// The attributes say nothing here: a folder's read-only flag does not stop
// writes, and the permissions that do are in its access list. Making a file
// is the one sure test.
bool canWriteIn(const QString& folder, QString& error) {
    const QString probe = folder + QStringLiteral("/~") +
                          QString::number(QRandomGenerator::global()->generate(), 36) +
                          QStringLiteral(".tmp");
    const win32::Handle file(::CreateFileW(win32::wide(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (file.valid()) {
        return true;
    }
    error = win32::errorText(::GetLastError());
    return false;
}

bool isOwnFile(const QString& /*file*/) {
    return false;
}

}  // namespace zt
