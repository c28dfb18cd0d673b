// Each value (the input cut at 0x1E) holding '"' comes out quoted, its quotes
// doubled; holding ',' quoted as it stands; otherwise unchanged. NULL: empty.
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "formats/csv_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!zt::QuoteCsvField(std::nullopt).isEmpty()) {
        std::abort();
    }
    const auto input = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const QString& value : input.split(QChar(0x1E))) {
        const bool quoted = value.contains(u'"') || value.contains(u',');
        const QString expected = quoted ? u'"' + QString(value).replace(u"\""_qs, u"\"\""_qs) + u'"' : value;
        if (zt::QuoteCsvField(value) != expected) {
            std::abort();
        }
    }
    return 0;
}
