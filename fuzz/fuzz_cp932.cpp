// Any bytes decode as a step-by-step model walks them, and the text survives
// a write and a read back, U+FFFD coming back as "?" and counted as lost.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/cp932.h"

// The pair table is the decoder's own; a lead byte of no pair is one U+FFFD
// that takes the next byte along unless it is ASCII.
static QString modelDecode(const char* bytes, size_t size) {
    QString out;
    for (size_t i = 0; i < size;) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        const QString pair = lead && i + 1 < size ? zt::cp932::decode(bytes + i, 2) : QString();
        if (!lead) {
            out += zt::cp932::decode(bytes + i++, 1);
        } else if (pair.size() == 1 && pair[0] != QChar(0xFFFD)) {
            out += pair;
            i += 2;
        } else {
            out += QChar(0xFFFD);
            i += i + 1 < size && static_cast<unsigned char>(bytes[i + 1]) >= 0x80 ? 2 : 1;
        }
    }
    return out;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto* bytes = reinterpret_cast<const char*>(data);
    const QString text = zt::cp932::decode(bytes, static_cast<qsizetype>(size));
    QByteArray encoded;
    const qsizetype lost = zt::cp932::encodeAppend(text, encoded);
    if (text != modelDecode(bytes, size) || lost != text.count(QChar(0xFFFD)) ||
        zt::cp932::decode(encoded) != QString(text).replace(QChar(0xFFFD), u'?')) {
        std::abort();
    }
    return 0;
}
