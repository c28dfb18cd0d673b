#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <atomic>
#include <cerrno>

#include "platform/directory_listing.h"
#include "platform/temporary_files.h"

// A write holds its temporary with flock() from the moment it exists until it
// has the target's name; the lock goes with the process, however it ends. So
// a temporary whose lock can be taken is one a killed write left.
namespace zt::temporary {
namespace {

std::atomic<bool> unnamedAllowed{true};

QByteArray procPath(int fd) {
    return "/proc/self/fd/" + QByteArray::number(fd);
}

}  // namespace

void allowUnnamed(bool allowed) {
    unnamedAllowed = allowed;
}

int openUnnamed(const QByteArray& folder, int mode) {
#ifdef O_TMPFILE
    if (!unnamedAllowed) {
        return -1;
    }
    const int fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode_t(mode));
    if (fd < 0) {
        return -1;
    }
    // Only /proc can give it a name (AT_EMPTY_PATH wants a privilege), and
    // that must be known before it holds the data. Held, because between its
    // first name and the target's it has one of ours.
    struct stat link {};
    if (::stat(procPath(fd).constData(), &link) != 0 || ::flock(fd, LOCK_EX) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
#else
    Q_UNUSED(folder);
    Q_UNUSED(mode);
    return -1;
#endif
}

bool linkUnnamed(int fd, const QByteArray& to) {
    return ::linkat(AT_FDCWD, procPath(fd).constData(), AT_FDCWD, to.constData(), AT_SYMLINK_FOLLOW) == 0;
}

int createNamed(const QString& target, QByteArray& name, int mode) {
    for (int attempt = 0;; ++attempt) {
        // In the target's own bytes: its folder's name may be in any encoding.
        name = encodeFileName(target) + QFile::encodeName(nameFor(QString()));
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode_t(mode));
        if (fd < 0) {
            if (errno == EEXIST && attempt < 100) {
                continue;
            }
            const int error = errno;
            name.clear();
            errno = error;
            return -1;
        }
        // Another write's tidying may have taken it for a leftover in the
        // moment before it was held: it is then gone, and a new one is made.
        // A file system without locks leaves it unguarded, and unremoved.
        struct stat info {};
        if (::flock(fd, LOCK_EX) != 0 || (::fstat(fd, &info) == 0 && info.st_nlink > 0)) {
            return fd;
        }
        ::close(fd);
    }
}

namespace detail {

void removeIfAbandoned(const QByteArray& path) {
    // A file's mode may grant its owner writing but not reading.
    int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        fd = ::open(path.constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    }
    if (fd < 0) {
        return;
    }
    // The name must still be the file that was locked: another write may
    // have removed it meanwhile and a new one taken its name.
    struct stat locked {};
    struct stat named {};
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &locked) == 0 && S_ISREG(locked.st_mode) &&
        ::lstat(path.constData(), &named) == 0 && named.st_dev == locked.st_dev &&
        named.st_ino == locked.st_ino) {
        ::unlink(path.constData());
    }
    ::close(fd);
}

}  // namespace detail
}  // namespace zt::temporary
