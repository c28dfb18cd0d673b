// Any bytes decode without failing, and what was decoded survives a write and
// a read back: only the undecodable bytes (U+FFFD) come back as "?".
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/ansi_text_file.h"
#include "platform/cp932.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto* bytes = reinterpret_cast<const char*>(data);
    const QString text = zt::cp932::decode(bytes, static_cast<qsizetype>(size));
    if (text.size() > static_cast<qsizetype>(size)) {
        std::abort();  // a byte decodes to one character at most
    }
    QString expected = text;
    expected.replace(QChar(0xFFFD), QLatin1Char('?'));
    if (zt::cp932::decode(zt::cp932::encode(text)) != expected) {
        std::abort();
    }

    auto reader = zt::AnsiTextReader::fromBytes(QByteArray(bytes, static_cast<qsizetype>(size)));
    qsizetype characters = 0;
    while (!reader.atEnd()) {
        characters += reader.readLine().size();
    }
    if (characters > static_cast<qsizetype>(size)) {
        std::abort();
    }
    return 0;
}
