#include "platform/ansi_text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
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

QString createReason(const QString& path, const QFileDevice& file) {
    const QFileInfo info(path);
    const QFileInfo folder(info.absolutePath());
    if (!folder.exists()) {
        return QStringLiteral("フォルダが見つかりません");
    }
    if (!folder.isDir()) {
        return QStringLiteral("フォルダではありません: ") + shownPath(folder.filePath());
    }
    if (info.isDir()) {
        return QStringLiteral("同じ名前のフォルダがあります");
    }
    if (!folder.isWritable()) {
        return QStringLiteral("フォルダに書き込む権限がありません");
    }
    if (info.exists() && !info.isWritable()) {
        return QStringLiteral("ファイルが読み取り専用です");
    }
    return file.errorString();
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
    file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
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
        pos_ = end + 1;
    }
    return line;
}

// --- writer ---

namespace {
constexpr qsizetype kWriteChunk = 64 * 1024;
}

struct AnsiTextWriter::Impl {
    QString path;
    // QSaveFile keeps the lines in a temporary file beside the target and
    // renames it over the target only on commit; destroyed uncommitted, it
    // removes the temporary file.
    std::unique_ptr<QSaveFile> file;
    QByteArray buffer;
    QString failure;  // set once a write failed; the writer is unusable after that

    [[noreturn]] void fail(const QString& text) {
        failure = text;
        file.reset();  // discards the temporary file now, not at destruction
        throw Error(text);
    }

    void checkWritable() const {
        if (!failure.isEmpty()) {
            throw Error(failure);
        }
        if (!file) {
            throw Error(QStringLiteral("保存を終えたファイルには書き込めません: %1").arg(shownPath(path)));
        }
    }

    void flushIfFull() {
        if (buffer.size() >= kWriteChunk) {
            flush();
        }
    }

    void flush() {
        if (buffer.isEmpty()) {
            return;
        }
        if (file->write(buffer) != buffer.size()) {
            fail(QStringLiteral("ファイルに書き込めません: %1（%2）")
                     .arg(shownPath(path), file->errorString()));
        }
        buffer.resize(0);  // keeps the allocation for the next chunk
    }
};

AnsiTextWriter::AnsiTextWriter(const QString& path) : d_(std::make_unique<Impl>()) {
    d_->path = path;
    d_->file = std::make_unique<QSaveFile>(path);
    // Our own buffer already gathers the lines into large writes.
    if (!d_->file->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        throw Error(QStringLiteral("ファイルを作成できません: %1（%2）")
                        .arg(shownPath(path), createReason(path, *d_->file)));
    }
    d_->buffer.reserve(kWriteChunk + 4096);
}

AnsiTextWriter::~AnsiTextWriter() = default;

void AnsiTextWriter::writeLine(QStringView text) {
    d_->checkWritable();
    cp932::encodeAppend(text, d_->buffer);
    d_->buffer += "\r\n";
    d_->flushIfFull();
}

void AnsiTextWriter::writeBytes(QByteArrayView bytes) {
    d_->checkWritable();
    d_->buffer += bytes;
    d_->flushIfFull();
}

void AnsiTextWriter::commit() {
    if (!d_->failure.isEmpty()) {
        throw Error(d_->failure);
    }
    if (!d_->file) {
        throw Error(QStringLiteral("保存を終えたファイルには書き込めません: %1").arg(shownPath(d_->path)));
    }
    d_->flush();
    if (!d_->file->commit()) {
        d_->fail(QStringLiteral("ファイルを保存できません: %1（%2）")
                     .arg(shownPath(d_->path), d_->file->errorString()));
    }
    d_->file.reset();
}

}  // namespace zt
