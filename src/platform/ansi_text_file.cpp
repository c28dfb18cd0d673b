#include "platform/ansi_text_file.h"

#include <utility>

#include "platform/cp932.h"
#include "platform/directory_listing.h"
#include "platform/error.h"

namespace zt {

AnsiTextReader::AnsiTextReader(const QString& path) {
    load(encodeFileName(path));
}

AnsiTextReader AnsiTextReader::fromNativePath(const QByteArray& path) {
    AnsiTextReader reader;
    reader.load(path);
    return reader;
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
