#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <system_error>

#include "platform/durable_file.h"
#include "platform/temporary_files.h"

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
    const QString folder = QFileInfo(target).absolutePath();
    temporary::removeLeftovers(target);
    constexpr int kMode = 0600;  // see the header
    QByteArray named;
    int fd = temporary::openUnnamed(QFile::encodeName(folder), kMode);
    if (fd < 0) {
        fd = temporary::createNamed(target, named, kMode);
    }
    if (fd < 0) {
        error = systemText(errno);
        return Placed::Failed;
    }
    const auto discard = [&] {
        if (!named.isEmpty()) {
            ::unlink(named.constData());  // while held, lest another start's tidying meet it
        }
        ::close(fd);
    };
    const char* data = bytes.constData();
    for (qsizetype left = bytes.size(); left > 0;) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            error = systemText(written < 0 ? errno : ENOSPC);
            discard();
            return Placed::Failed;
        }
        data += written;
        left -= written;
    }
    if (::fsync(fd) != 0) {
        error = systemText(errno);
        discard();
        return Placed::Failed;
    }
    // Both refuse a name that is taken. A file without a name goes straight
    // to the target's: nothing is left between the two.
    bool placed = false;
    if (named.isEmpty()) {
        placed = temporary::linkUnnamed(fd, QFile::encodeName(target));
        error = placed ? QString() : systemText(errno);
    } else {
        QFile file(QFile::decodeName(named));
        placed = file.rename(target);
        error = placed ? QString() : file.errorString();
        named = placed ? QByteArray() : named;
    }
    discard();
    if (!placed) {
        return QFileInfo::exists(target) ? Placed::Taken : Placed::Failed;
    }
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
