#include "platform/text_file_writer.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include "platform/cp932.h"
#include "platform/error.h"

namespace zt {
namespace {

QString shownPath(const QString& path) {
    return QDir::toNativeSeparators(path);
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

constexpr qsizetype kWriteChunk = 64 * 1024;

}  // namespace

struct TextFileWriter::Impl {
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

TextFileWriter::TextFileWriter(const QString& path) : d_(std::make_unique<Impl>()) {
    d_->path = path;
    d_->file = std::make_unique<QSaveFile>(path);
    // Our own buffer already gathers the lines into large writes.
    if (!d_->file->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        throw Error(QStringLiteral("ファイルを作成できません: %1（%2）")
                        .arg(shownPath(path), createReason(path, *d_->file)));
    }
    d_->buffer.reserve(kWriteChunk + 4096);
}

TextFileWriter::~TextFileWriter() = default;

void TextFileWriter::writeLine(QStringView text) {
    d_->checkWritable();
    cp932::encodeAppend(text, d_->buffer);
    d_->buffer += "\r\n";
    d_->flushIfFull();
}

void TextFileWriter::writeBytes(QByteArrayView bytes) {
    d_->checkWritable();
    d_->buffer += bytes;
    d_->flushIfFull();
}

void TextFileWriter::commit() {
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
