#include "platform/ansi_text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <utility>

#include "platform/cp932.h"
#include "platform/directory_listing.h"
#include "platform/error.h"

namespace zt {
namespace {

QString shownPath(const QString& path) {
    return QDir::toNativeSeparators(path);
}

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

// --- reader ---

AnsiTextReader::AnsiTextReader(const QString& path) {
    load(QFile::encodeName(path));
}

AnsiTextReader AnsiTextReader::fromNativePath(const QByteArray& path) {
    AnsiTextReader reader;
    reader.load(path);
    return reader;
}

void AnsiTextReader::load(const QByteArray& nativePath) {
    const QString shown = shownPath(decodeFileName(nativePath));
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

AnsiTextReader AnsiTextReader::fromBytes(QByteArray bytes) {
    AnsiTextReader reader;
    reader.data_ = std::move(bytes);
    return reader;
}

bool AnsiTextReader::atEnd() const {
    return pos_ >= data_.size();
}

QString AnsiTextReader::readLine() {
    const QByteArrayView bytes = readLineBytes();
    return cp932::decode(bytes.data(), bytes.size());
}

QByteArrayView AnsiTextReader::readLineBytes() {
    if (atEnd()) {
        throw Error(QStringLiteral("ファイルの終わりを越えて読み込もうとしました。"));
    }
    // Splitting on bytes is safe: no CP932 trail byte is CR or LF.
    const char* const data = data_.constData();
    const qsizetype size = data_.size();
    qsizetype end = pos_;
    while (end < size && data[end] != '\n' && data[end] != '\r') {
        ++end;
    }
    const QByteArrayView line(data + pos_, end - pos_);
    if (end < size && data[end] == '\r' && end + 1 < size && data[end + 1] == '\n') {
        pos_ = end + 2;
    } else {
        pos_ = end < size ? end + 1 : end;  // a last line without a line end ends at the data's end
    }
    return line;
}

}  // namespace zt
