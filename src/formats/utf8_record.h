#pragma once

#include <QByteArrayView>
#include <QStringView>
#include <string>

// Appending to a record in UTF-8, for the writers of the UTF-8 formats. Each
// writer builds a person's record in one std::string that keeps its room from
// person to person: a QString and a QByteArray made for every value, and
// QByteArray's own append, cost more than the rest of the writing together.
namespace zt {

// `text` in UTF-8, the bytes of text.toUtf8() (half a surrogate pair as '?').
void appendUtf8(std::string& out, QStringView text);

// `text` as one CSV field in UTF-8: enclosed in double quotes, its own
// doubled, when it holds any character of `specials` (which names '"' too);
// otherwise as it stands. The bytes of quoteCsv(text, specials).toUtf8().
// `specials` are ASCII.
void appendCsvField(std::string& out, QStringView text, QStringView specials);

// `bytes` in base 64 (RFC 4648, with padding, on one line).
void appendBase64(std::string& out, QByteArrayView bytes);

}  // namespace zt
