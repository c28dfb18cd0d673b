#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <utility>

#include "platform/error.h"
#include "platform/replacement_file.h"

namespace zt {

struct ReplacementFile::Impl {
    QString target;
    QByteArray temporary;  // in the file system's bytes
    int fd = -1;

    [[noreturn]] void fail(const char* what, int error) {
        throw Error(QString::fromUtf8(what).arg(target, qt_error_string(error)));
    }
    void discard() {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
        if (!temporary.isEmpty()) {
            ::unlink(temporary.constData());
            temporary.clear();
        }
    }
};

ReplacementFile::ReplacementFile(const QString& target) : d_(std::make_unique<Impl>()) {
    d_->target = target;
    detail::refuseUnwritableTarget(target);
    const QByteArray base = QFile::encodeName(target);
    struct stat old {};
    const bool replacing = ::stat(base.constData(), &old) == 0;
    for (int attempt = 0; d_->fd < 0; ++attempt) {
        d_->temporary = base + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".tmp";
        d_->fd = ::open(d_->temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (d_->fd < 0 && (errno != EEXIST || attempt == 100)) {
            const int error = errno;
            d_->temporary.clear();
            throw Error(QStringLiteral("ファイルを作成できません: %1（%2）")
                            .arg(target, detail::createReason(target, qt_error_string(error))));
        }
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
    if (::fsync(d_->fd) != 0 || ::close(std::exchange(d_->fd, -1)) != 0) {
        const int error = errno;
        d_->discard();
        d_->fail("ファイルに書き込めません: %1（%2）", error);
    }
    if (::rename(d_->temporary.constData(), QFile::encodeName(d_->target).constData()) != 0) {
        const int error = errno;
        d_->discard();
        d_->fail("ファイルを保存できません: %1（%2）", error);
    }
    d_->temporary.clear();
    // The rename itself is durable only once its folder is synced.
    const int folder =
        ::open(QFile::encodeName(QFileInfo(d_->target).absolutePath()).constData(), O_RDONLY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

}  // namespace zt
