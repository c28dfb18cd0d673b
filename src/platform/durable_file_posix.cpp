#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>

#include "platform/durable_file.h"
#include "platform/temporary_files.h"

namespace zt::durable {
namespace {

// A rename or a new link is durable only once its folder is synced.
void syncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

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
