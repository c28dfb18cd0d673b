#include "platform/ansi_text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

#include "platform/directory_listing.h"
#include "platform/error.h"

namespace zt {
namespace {

// The system's own error texts are English on this platform; the common causes
// get a Japanese reason of our own, the rest keep the system's text.
QString openReason(int error) {
    switch (error) {
        case ENOENT:
            return QStringLiteral("ファイルが見つかりません");
        case EISDIR:
            return QStringLiteral("フォルダです");
        case EACCES:
            return QStringLiteral("読み取りの権限がありません");
        default:
            return qt_error_string(error);
    }
}

}  // namespace

void AnsiTextReader::load(const QByteArray& nativePath) {
    const QString shown = decodeFileName(nativePath);
    const auto refuse = [&shown](int error) {
        throw Error(QStringLiteral("ファイルを開けません: %1（%2）").arg(shown, openReason(error)));
    };
    // Opened by its bytes: a name that is not UTF-8 has no QString that would find it.
    const int fd = ::open(nativePath.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        refuse(errno);
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);  // the handle is the file's to close only once it is open
        throw Error(QStringLiteral("ファイルを開けません: %1（%2）").arg(shown, file.errorString()));
    }
    // A directory opens without complaint on this platform; reading it would
    // then fail with an unhelpful text.
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        refuse(S_ISDIR(info.st_mode) ? EISDIR : errno);
    }
    data_ = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        throw Error(QStringLiteral("ファイルを読み込めません: %1（%2）").arg(shown, file.errorString()));
    }
}

}  // namespace zt
