#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// Code page 932 (Shift_JIS with the NEC and IBM extensions), the encoding of
// every file this program reads or writes.
namespace zt::cp932 {

// Never fails, and reads broken text as a web browser does: a byte that starts
// no character becomes one U+FFFD, and so does a lead byte together with a
// following byte that completes no character, unless that byte is ASCII: it is
// then read as itself.
QString decode(const char* data, qsizetype size);
inline QString decode(const QByteArray& bytes) {
    return decode(bytes.constData(), bytes.size());
}

// The same text, but each byte or pair that decode() reads as U+FFFD shown
// as its hex codes ("<81 7F>"): what a report says of a broken value.
QString decodeShowingBytes(const char* data, qsizetype size);

// Never fails: a character the code page cannot hold is written as "?", as the
// Windows conversion does. Where the code page has two codes for a character,
// the one Windows writes is chosen (髙 gives FB FC); a character it holds only
// as a look-alike is written as that (〜 as ～ 81 60, ¥ as 5C).
QByteArray encode(QStringView text);
// The same, appended to `out`: a writer of many lines keeps one buffer.
// Returns how many characters were written as "?" for want of a code, so a
// writer learns of a loss without looking at the text a second time.
qsizetype encodeAppend(QStringView text, QByteArray& out);

}  // namespace zt::cp932
