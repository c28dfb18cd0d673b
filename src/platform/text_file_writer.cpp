#include "platform/text_file_writer.h"

#include "platform/cp932.h"
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

namespace {

// The report, whole in its temporary, or its removal when there is nothing to report.
std::unique_ptr<ReplacementFile> prepareReport(const QString& path, const QString& heading,
                                               const QStringList& lines) {
    if (lines.isEmpty()) {
        return ReplacementFile::removal(path);
    }
    QString text = heading + QStringLiteral("\r\n");
    for (const QString& line : lines) {
        text += line + QStringLiteral("\r\n");
    }
    auto file = std::make_unique<ReplacementFile>(path);
    file->write(text.toUtf8());
    return file;
}

}  // namespace

void TextFileWriter::commitWithReport(const QString& reportPath, const QString& heading,
                                      const QStringList& lines) {
    d_->file.write(d_->pending);
    d_->pending.clear();
    const std::unique_ptr<ReplacementFile> report = prepareReport(reportPath, heading, lines);
    commitTogether({&d_->file, report.get()});
}

void replaceReport(const QString& path, const QString& heading, const QStringList& lines) {
    prepareReport(path, heading, lines)->commit();
}

QString reportPathFor(const QString& path) {
    return path + QStringLiteral(".report.txt");
}

}  // namespace zt
