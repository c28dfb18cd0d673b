#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <utility>

#include "platform/error.h"
#include "platform/replacement_file.h"
#include "platform/temporary_files.h"

namespace zt {

struct ReplacementFile::Impl {
    QString target;
    QByteArray named;  // the temporary's path while it has one, in the file system's bytes
    int fd = -1;

    [[noreturn]] void fail(const char* what, int error) {
        throw Error(QString::fromUtf8(what).arg(target, qt_error_string(error)));
    }
    void discard() {
        // Removed while still held, so that no other write's tidying meets it.
        if (!named.isEmpty()) {
            ::unlink(named.constData());
            named.clear();
        }
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
};

ReplacementFile::ReplacementFile(const QString& target) : d_(std::make_unique<Impl>()) {
    d_->target = target;
    detail::refuseUnwritableTarget(target);
    temporary::removeLeftovers(target);
    struct stat old {};
    const bool replacing = ::stat(QFile::encodeName(target).constData(), &old) == 0;
    d_->fd = temporary::openUnnamed(QFile::encodeName(QFileInfo(target).absolutePath()), 0666);
    if (d_->fd < 0) {
        d_->fd = temporary::createNamed(target, d_->named, 0666);
    }
    if (d_->fd < 0) {
        const int error = errno;
        throw Error(QStringLiteral("ファイルを作成できません: %1（%2）")
                        .arg(target, detail::createReason(target, qt_error_string(error))));
    }
    // The replacement keeps who may read the file it replaces.
    if (replacing) {
        ::fchmod(d_->fd, old.st_mode & 07777);
    }
}

ReplacementFile::~ReplacementFile() {
    d_->discard();
}

void ReplacementFile::write(QByteArrayView bytes) {
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(d_->fd, data, size_t(left));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            const int error = written < 0 ? errno : ENOSPC;
            d_->discard();
            d_->fail("ファイルに書き込めません: %1（%2）", error);
        }
        data += written;
        left -= written;
    }
}

void ReplacementFile::commit() {
    // The data must be on the disk before the name points at it: a rename
    // that lands first would leave an empty file after a power cut.
    if (::fsync(d_->fd) != 0) {
        const int error = errno;
        d_->discard();
        d_->fail("ファイルに書き込めません: %1（%2）", error);
    }
    // A file without a name can be given only a free one: it takes one of
    // ours, then the rename puts it over the target. Killed in between, it
    // is a leftover that the next write of the target removes.
    for (int attempt = 0; d_->named.isEmpty(); ++attempt) {
        const QByteArray name = QFile::encodeName(temporary::nameFor(d_->target));
        if (temporary::linkUnnamed(d_->fd, name)) {
            d_->named = name;
        } else if (errno != EEXIST || attempt == 100) {
            const int error = errno;
            d_->discard();
            d_->fail("ファイルを保存できません: %1（%2）", error);
        }
    }
    if (::rename(d_->named.constData(), QFile::encodeName(d_->target).constData()) != 0) {
        const int error = errno;
        d_->discard();
        d_->fail("ファイルを保存できません: %1（%2）", error);
    }
    d_->named.clear();
    // Held until it has the target's name, lest another write take it for a
    // leftover. After fsync a close has nothing left to report of the data.
    ::close(std::exchange(d_->fd, -1));
    // The rename itself is durable only once its folder is synced.
    const int folder =
        ::open(QFile::encodeName(QFileInfo(d_->target).absolutePath()).constData(), O_RDONLY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

}  // namespace zt
