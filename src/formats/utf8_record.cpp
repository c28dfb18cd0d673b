#include "formats/utf8_record.h"

#include <algorithm>

namespace zt {

void appendUtf8(std::string& out, QStringView text) {
    // Encoded a stretch at a time on the stack and appended whole: a string's
    // own append, byte by byte, is slower than the encoding.
    char buffer[512];
    char* const last = buffer + sizeof buffer - 4;  // room for the longest character
    char* dst = buffer;
    const char16_t* p = text.utf16();
    const char16_t* const end = p + text.size();
    while (p < end) {
        if (dst > last) {
            out.append(buffer, std::size_t(dst - buffer));
            dst = buffer;
        }
        const char32_t u = *p++;
        if (u < 0x80) {
            *dst++ = char(u);
        } else if (u < 0x800) {
            *dst++ = char(0xC0 | u >> 6);
            *dst++ = char(0x80 | (u & 0x3F));
        } else if (QChar::isHighSurrogate(u) && p < end && QChar::isLowSurrogate(*p)) {
            const char32_t c = QChar::surrogateToUcs4(char16_t(u), *p++);
            *dst++ = char(0xF0 | c >> 18);
            *dst++ = char(0x80 | (c >> 12 & 0x3F));
            *dst++ = char(0x80 | (c >> 6 & 0x3F));
            *dst++ = char(0x80 | (c & 0x3F));
        } else if (QChar::isSurrogate(u)) {
            *dst++ = '?';  // as QString::toUtf8 writes half a pair
        } else {
            *dst++ = char(0xE0 | u >> 12);
            *dst++ = char(0x80 | (u >> 6 & 0x3F));
            *dst++ = char(0x80 | (u & 0x3F));
        }
    }
    out.append(buffer, std::size_t(dst - buffer));
}

void appendCsvField(std::string& out, QStringView text, QStringView specials) {
    if (text.isEmpty()) {
        return;  // most of a wide row's columns
    }
    // Written first and looked over after: the specials are ASCII, which
    // UTF-8 never holds within another character, and most fields need no
    // quotes.
    const std::size_t start = out.size();
    appendUtf8(out, text);
    const bool needsQuotes = std::any_of(specials.begin(), specials.end(), [&](QChar c) {
        return out.find(char(c.unicode()), start) != std::string::npos;
    });
    if (!needsQuotes) {
        return;
    }
    out.resize(start);
    out += '"';
    for (qsizetype from = 0;;) {
        const qsizetype quote = text.indexOf(u'"', from);
        if (quote < 0) {
            appendUtf8(out, text.sliced(from));
            break;
        }
        appendUtf8(out, text.sliced(from, quote + 1 - from));
        out += '"';
        from = quote + 1;
    }
    out += '"';
}

void appendBase64(std::string& out, QByteArrayView bytes) {
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    char buffer[512];
    char* dst = buffer;
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    qsizetype left = bytes.size();
    for (; left >= 3; left -= 3, in += 3) {
        if (dst == buffer + sizeof buffer) {
            out.append(buffer, sizeof buffer);
            dst = buffer;
        }
        const unsigned group = unsigned(in[0]) << 16 | unsigned(in[1]) << 8 | in[2];
        *dst++ = kDigits[group >> 18];
        *dst++ = kDigits[group >> 12 & 63];
        *dst++ = kDigits[group >> 6 & 63];
        *dst++ = kDigits[group & 63];
    }
    out.append(buffer, std::size_t(dst - buffer));
    if (left > 0) {
        const unsigned group = unsigned(in[0]) << 16 | (left == 2 ? unsigned(in[1]) << 8 : 0u);
        const char last[] = {kDigits[group >> 18], kDigits[group >> 12 & 63],
                             left == 2 ? kDigits[group >> 6 & 63] : '=', '='};
        out.append(last, 4);
    }
}

}  // namespace zt
