#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// Code page 932 (Shift_JIS with the NEC and IBM extensions), the encoding of
// every file this program reads or writes.
namespace zt::cp932 {

// Never fails: each byte that cannot be decoded becomes U+FFFD and decoding
// goes on with the next byte.
QString decode(const char* data, qsizetype size);
inline QString decode(const QByteArray& bytes) {
    return decode(bytes.constData(), bytes.size());
}

// Never fails: a character the code page cannot hold is written as "?", as the
// Windows conversion does. Where the code page has two codes for a character,
// the one Windows writes is chosen (髙 gives FB FC).
QByteArray encode(QStringView text);
// The same, appended to `out`: a writer of many lines keeps one buffer.
void encodeAppend(QStringView text, QByteArray& out);

}  // namespace zt::cp932
