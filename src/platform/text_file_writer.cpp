#include "platform/text_file_writer.h"

#include <QDir>
#include <QFile>

#include "platform/cp932.h"
#include "platform/error.h"
#include "platform/replacement_file.h"

namespace zt {

// Lines are gathered and handed to the file a stretch at a time: a system
// call per line would cost more than the encoding.
struct TextFileWriter::Impl {
    explicit Impl(const QString& path) : file(path) {}
    ReplacementFile file;
    QByteArray pending;

    void flushIfFull() {
        if (pending.size() >= (1 << 16)) {
            file.write(pending);
            pending.clear();
        }
    }
};

TextFileWriter::TextFileWriter(const QString& path) : d_(std::make_unique<Impl>(path)) {}

TextFileWriter::~TextFileWriter() = default;

qsizetype TextFileWriter::writeLine(QStringView text) {
    const qsizetype lost = cp932::encodeAppend(text, d_->pending);
    d_->pending += "\r\n";
    d_->flushIfFull();
    return lost;
}

void TextFileWriter::writeBytes(QByteArrayView bytes) {
    d_->pending += bytes;
    d_->flushIfFull();
}

void TextFileWriter::commit() {
    d_->file.write(d_->pending);
    d_->pending.clear();
    d_->file.commit();
}

void replaceReport(const QString& path, const QString& heading, const QStringList& lines) {
    if (lines.isEmpty()) {
        QFile old(path);
        if (old.exists() && !old.remove()) {
            throw Error(QStringLiteral("ファイルを削除できません: %1（%2）")
                            .arg(QDir::toNativeSeparators(path), old.errorString()));
        }
        return;
    }
    QString text = heading + QStringLiteral("\r\n");
    for (const QString& line : lines) {
        text += line + QStringLiteral("\r\n");
    }
    TextFileWriter out(path);
    out.writeBytes(text.toUtf8());
    out.commit();
}

}  // namespace zt
