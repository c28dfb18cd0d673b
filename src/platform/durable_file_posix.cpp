#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <system_error>

#include "platform/durable_file.h"

namespace zt::durable {
namespace {

QString systemText(int error) {
    return QString::fromStdString(std::generic_category().message(error));
}

// A rename or a new link is durable only once its folder is synced.
void syncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

Placed placeNewFile(const QString& target, const QByteArray& bytes, QString& error) {
    const QFileInfo info(target);
    const QString folder = info.path();
    // Hidden, and with the target's suffix, so that nothing takes a leftover
    // for the file itself.
    QTemporaryFile copy(folder + QStringLiteral("/.XXXXXX.") + info.suffix());
    if (!copy.open() || copy.write(bytes) != bytes.size() || !copy.flush()) {
        error = copy.errorString();
        return Placed::Failed;
    }
    if (::fsync(copy.handle()) != 0) {
        error = systemText(errno);
        return Placed::Failed;
    }
    // QFile::rename refuses to replace an existing file.
    if (!copy.rename(target)) {
        error = copy.errorString();
        return QFileInfo::exists(target) ? Placed::Taken : Placed::Failed;
    }
    copy.setAutoRemove(false);  // it would remove the file under its new name
    syncFolder(folder);
    return Placed::Done;
}

// A second link, then the old name removed; a copy where link() cannot reach.
Placed moveFile(const QString& from, const QString& to, QString& error) {
    const QByteArray source = QFile::encodeName(from);
    if (::link(source.constData(), QFile::encodeName(to).constData()) == 0) {
        syncFolder(QFileInfo(to).path());
    } else if (errno == EEXIST) {
        return Placed::Taken;
    } else {
        QFile file(from);
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        if (file.error() != QFileDevice::NoError) {
            error = file.errorString();
            return Placed::Failed;
        }
        if (const Placed placed = placeNewFile(to, bytes, error); placed != Placed::Done) {
            return placed;
        }
    }
    ::unlink(source.constData());
    syncFolder(QFileInfo(from).path());
    return Placed::Done;
}

}  // namespace zt::durable
