// SplitTabFields on any decoded index line: at most eight slots, the filled
// ones are exactly the line's TAB-separated fields, the rest are empty, and
// nothing of the slots' earlier contents survives.
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "import/card_reader.h"
#include "platform/cp932.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString line = zt::cp932::decode(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    zt::TabFields fields;
    fields.fill(QStringLiteral("stale\tslot"));

    const int filled = zt::SplitTabFields(line, fields);

    const qsizetype tabs = line.count(QLatin1Char('\t'));
    if (filled != static_cast<int>(std::min<qsizetype>(tabs + 1, 8))) {
        std::abort();
    }
    QStringList used;
    for (int i = 0; i < 8; ++i) {
        const QString& field = fields[static_cast<size_t>(i)];
        if (field.contains(QLatin1Char('\t')) || (i >= filled && !field.isEmpty())) {
            std::abort();
        }
        if (i < filled) {
            used << field;
        }
    }
    const QString joined = used.join(QLatin1Char('\t'));
    // Fields past the eighth are dropped, so only then is the line longer.
    if (tabs < 8 ? joined != line : !line.startsWith(joined + QLatin1Char('\t'))) {
        std::abort();
    }
    return 0;
}
