#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "platform/user_folders.h"

namespace zt {

QString userDataFolder() {
    // Unset, empty or relative: the XDG base directory rules say to ignore it.
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    return QDir::isAbsolutePath(dataHome) ? dataHome : QDir::homePath() + QStringLiteral("/.local/share");
}

bool makePrivateFolder(const QString& folder, QString& error) {
    std::error_code ec;
    const std::filesystem::path path = QFile::encodeName(folder).toStdString();
    if (std::filesystem::create_directories(path, ec)) {
        std::filesystem::permissions(path, std::filesystem::perms::owner_all, ec);
    }
    if (ec || !QFileInfo(folder).isDir()) {
        error = QString::fromStdString(ec ? ec.message() : std::string("Not a directory"));
        return false;
    }
    return true;
}

bool canWriteIn(const QString& folder, QString& error) {
    if (::access(QFile::encodeName(folder).constData(), W_OK) == 0) {
        return true;
    }
    error = QString::fromStdString(std::generic_category().message(errno));
    return false;
}

bool isOwnFile(const QString& file) {
    const QFileInfo info(file);
    return info.isFile() && !info.isSymLink() && info.ownerId() == ::geteuid();
}

}  // namespace zt
