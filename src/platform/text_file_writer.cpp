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

void write(QSaveFile& file, QByteArrayView bytes) {
    if (file.write(bytes.data(), bytes.size()) != bytes.size()) {
        throw Error(QStringLiteral("ファイルに書き込めません: %1（%2）")
                        .arg(shownPath(file.fileName()), file.errorString()));
    }
}

}  // namespace

// QSaveFile keeps the lines in a temporary file beside the target and renames
// it over the target only on commit; destroyed uncommitted, it removes the
// temporary file.
struct TextFileWriter::Impl {
    explicit Impl(const QString& path) : file(path) {}
    QSaveFile file;
};

TextFileWriter::TextFileWriter(const QString& path) : d_(std::make_unique<Impl>(path)) {
    if (!d_->file.open(QIODevice::WriteOnly)) {
        throw Error(QStringLiteral("ファイルを作成できません: %1（%2）")
                        .arg(shownPath(path), createReason(path, d_->file)));
    }
}

TextFileWriter::~TextFileWriter() = default;

qsizetype TextFileWriter::writeLine(QStringView text) {
    QByteArray bytes;
    const qsizetype lost = cp932::encodeAppend(text, bytes);
    bytes += "\r\n";
    write(d_->file, bytes);
    return lost;
}

void TextFileWriter::writeBytes(QByteArrayView bytes) {
    write(d_->file, bytes);
}

void TextFileWriter::commit() {
    // The last lines are still in QSaveFile's buffer; a full disk is a write failure, as it is
    // when the buffer fills earlier.
    if (!d_->file.flush()) {
        throw Error(QStringLiteral("ファイルに書き込めません: %1（%2）")
                        .arg(shownPath(d_->file.fileName()), d_->file.errorString()));
    }
    if (!d_->file.commit()) {
        throw Error(QStringLiteral("ファイルを保存できません: %1（%2）")
                        .arg(shownPath(d_->file.fileName()), d_->file.errorString()));
    }
}

}  // namespace zt
