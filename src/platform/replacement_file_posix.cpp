#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/directory_listing.h"
#include "platform/error.h"
#include "platform/replacement_file.h"
#include "platform/temporary_files.h"

namespace zt {
namespace {

// The file a chain of symbolic links ends at, whether or not it exists yet.
QByteArray followLinks(QByteArray path) {
    for (int depth = 0; depth < 40; ++depth) {
        struct stat info {};
        if (::lstat(path.constData(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            break;
        }
        QByteArray to(info.st_size > 0 ? info.st_size + 1 : 4096, '\0');
        const ssize_t size = ::readlink(path.constData(), to.data(), size_t(to.size()));
        if (size <= 0) {
            break;
        }
        to.truncate(size);
        path = to.startsWith('/') ? to : path.left(path.lastIndexOf('/') + 1) + to;
    }
    return path;
}

QByteArray folderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}

// A fresh name of our own beside `path`, in its bytes: the folder's name may
// be in any encoding.
QByteArray temporaryBeside(const QByteArray& path) {
    return path + QFile::encodeName(temporary::nameFor(QString()));
}

// A rename or a new link is durable only once its folder is synced.
void syncFolder(const QByteArray& folder) {
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

int connectSocket(const QByteArray& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (size_t(path.size()) >= sizeof(address.sun_path)) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

// Whether a new file's name was taken meanwhile.
bool nameTaken(int error) {
    return error == EEXIST;
}

}  // namespace

struct ReplacementFile::Impl {
    QString target;    // as given, for the messages
    QByteArray path;   // the file replaced, links followed, in the file system's bytes
    QByteArray named;  // the temporary's path while it has one
    QByteArray kept;   // a second name of the old file while the files are placed
    int fd = -1;
    int keptFd = -1;  // holds `kept`, lest another write take it for a leftover
    Kind kind = Kind::Replace;
    bool stream = false;
    bool removing = false;
    bool existed = false;

    [[noreturn]] void fail(const char* what, int error) {
        discard();
        throw Error(QString::fromUtf8(what).arg(target, qt_error_string(error)));
    }
    void discard() {
        // Removed while still held, so that no other write's tidying meets it.
        if (!named.isEmpty()) {
            ::unlink(named.constData());
            named.clear();
        }
        if (fd > STDERR_FILENO) {
            ::close(fd);
        }
        fd = -1;
        dropKept();
    }
    void dropKept() {
        if (!kept.isEmpty()) {
            ::unlink(kept.constData());
            kept.clear();
        }
        if (keptFd >= 0) {
            ::close(std::exchange(keptFd, -1));
        }
    }

    // Whole on the disk, and (but for a new file) under a name of ours.
    void prepare() {
        if (stream || removing) {
            return;
        }
        // The data must be on the disk before the name points at it: a rename
        // that lands first would leave an empty file after a power cut.
        if (::fsync(fd) != 0) {
            fail("ファイルに書き込めません: %1（%2）", errno);
        }
        // A file without a name can be given only a free one: it takes one of
        // ours, then the rename puts it over the target. Killed in between, it
        // is a leftover that the next write of the target removes.
        for (int attempt = 0; kind == Kind::Replace && named.isEmpty(); ++attempt) {
            const QByteArray name = temporaryBeside(path);
            if (temporary::linkUnnamed(fd, name)) {
                named = name;
            } else if (errno != EEXIST || attempt == 100) {
                fail("ファイルを保存できません: %1（%2）", errno);
            }
        }
    }
    // A second name for the file about to be replaced, so that it can come
    // back if a file placed with it fails. Where the file system has no hard
    // links there is none, and the file cannot come back.
    void keepOld() {
        struct stat info {};
        if (stream || kind == Kind::New || ::lstat(path.constData(), &info) != 0 || !S_ISREG(info.st_mode)) {
            return;
        }
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QByteArray name = temporaryBeside(path);
            if (::link(path.constData(), name.constData()) == 0) {
                kept = name;
                keptFd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
                if (keptFd < 0 || ::flock(keptFd, LOCK_EX) != 0) {
                    dropKept();  // unguarded, another write's tidying might take it half-way
                }
                return;
            }
            if (errno != EEXIST) {
                return;
            }
        }
    }
    // 0, EEXIST for a new file's name that was taken, or the errno of the failure.
    int place() {
        if (stream) {
            return 0;
        }
        if (removing) {
            // A folder of that name is no earlier report.
            return ::unlink(path.constData()) == 0 || errno == ENOENT || errno == EISDIR ? 0 : errno;
        }
        if (kind == Kind::New) {
            // Both refuse a name that is taken.
            const bool linked = named.isEmpty() ? temporary::linkUnnamed(fd, path)
                                                : ::link(named.constData(), path.constData()) == 0;
            return linked ? 0 : errno;
        }
        if (::rename(named.constData(), path.constData()) != 0) {
            return errno;
        }
        named.clear();
        return 0;
    }
    void restore() {
        if (!kept.isEmpty()) {
            if (::rename(kept.constData(), path.constData()) == 0) {
                kept.clear();
            }
        } else if (!existed && !removing && !stream) {
            ::unlink(path.constData());
        }
    }
    void finish() {
        dropKept();
        // Held until it has the target's name, lest another write take it for a
        // leftover. After fsync a close has nothing left to report of the data.
        discard();
        if (!stream) {
            syncFolder(folderOf(path));
        }
    }
};

ReplacementFile::ReplacementFile() : d_(std::make_unique<Impl>()) {}

ReplacementFile::ReplacementFile(const QString& target, Kind kind) : ReplacementFile() {
    d_->target = QDir::toNativeSeparators(target);
    d_->kind = kind;
    if (target == kStandardOutput) {
        d_->target = QStringLiteral("標準出力");
        d_->fd = STDOUT_FILENO;
        d_->stream = true;
        return;
    }
    const QByteArray given = encodeFileName(target);
    d_->path = followLinks(given);
    const QString real = d_->path == given ? target : decodeFileName(d_->path);
    struct stat old {};
    d_->existed = ::stat(d_->path.constData(), &old) == 0;
    const auto cannotCreate = [&](int error) {
        throw Error(QStringLiteral("ファイルを作成できません: %1（%2）")
                        .arg(d_->target, detail::createReason(real, qt_error_string(error))));
    };
    // Neither a device nor a FIFO nor a socket is replaced by a file: what is
    // written goes to it, as a shell's redirection sends it.
    if (d_->existed && kind == Kind::Replace &&
        (S_ISFIFO(old.st_mode) || S_ISCHR(old.st_mode) || S_ISSOCK(old.st_mode))) {
        d_->fd = S_ISSOCK(old.st_mode) ? connectSocket(d_->path)
                                       : ::open(d_->path.constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (d_->fd < 0) {
            cannotCreate(errno);
        }
        d_->stream = true;
        return;
    }
    detail::refuseUnwritableTarget(real);
    temporary::removeLeftovers(real);
    // A working database holds a personal address book: only its owner reads it.
    const int mode = kind == Kind::New ? 0600 : 0666;
    d_->fd = temporary::openUnnamed(folderOf(d_->path), mode);
    if (d_->fd < 0) {
        d_->fd = temporary::createNamed(real, d_->named, mode);
    }
    if (d_->fd < 0) {
        cannotCreate(errno);
    }
    // The replacement keeps who may read the file it replaces.
    if (d_->existed && kind == Kind::Replace) {
        ::fchmod(d_->fd, old.st_mode & 07777);
    }
}

std::unique_ptr<ReplacementFile> ReplacementFile::removal(const QString& target) {
    std::unique_ptr<ReplacementFile> file(new ReplacementFile());
    file->d_->target = QDir::toNativeSeparators(target);
    file->d_->path = encodeFileName(target);
    file->d_->removing = true;
    return file;
}

ReplacementFile::~ReplacementFile() {
    d_->discard();
}

bool ReplacementFile::goesStraight(const QString& target) {
    struct stat info {};
    return target == kStandardOutput ||
           (::stat(followLinks(encodeFileName(target)).constData(), &info) == 0 &&
            (S_ISFIFO(info.st_mode) || S_ISCHR(info.st_mode) || S_ISSOCK(info.st_mode)));
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
            d_->fail("ファイルに書き込めません: %1（%2）", written < 0 ? errno : ENOSPC);
        }
        data += written;
        left -= written;
    }
}

}  // namespace zt

#include "platform/replacement_commit.h"
