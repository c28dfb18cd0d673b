// QuoteCsvField against a CSV reader that knows only '"' and ',': the input is
// split into fields at 0x1E, each field is quoted, the fields are joined with
// commas as the CSV writer joins them, and reading the line back must give the
// fields exactly. A field is enclosed exactly when it holds '"' or ','.
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>

#include "export/csv_writer.h"

namespace {

// Returns std::nullopt for a line no CSV writer should have produced.
std::optional<QStringList> readCsvLine(const QString& line) {
    QStringList fields;
    qsizetype i = 0;
    const qsizetype n = line.size();
    for (;;) {
        QString field;
        if (i < n && line[i] == QLatin1Char('"')) {
            ++i;
            for (;;) {
                if (i >= n) {
                    return std::nullopt;  // unterminated
                }
                if (line[i] == QLatin1Char('"')) {
                    if (i + 1 < n && line[i + 1] == QLatin1Char('"')) {
                        field += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += line[i++];
            }
            if (i < n && line[i] != QLatin1Char(',')) {
                return std::nullopt;  // text after the closing quote
            }
        } else {
            while (i < n && line[i] != QLatin1Char(',')) {
                if (line[i] == QLatin1Char('"')) {
                    return std::nullopt;  // a bare quote in an unquoted field
                }
                field += line[i++];
            }
        }
        fields << field;
        if (i >= n) {
            return fields;
        }
        ++i;  // the comma
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!zt::QuoteCsvField(std::nullopt).isEmpty()) {
        std::abort();
    }
    const QString input =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QStringList values = input.split(QChar(0x1E));

    QStringList quoted;
    for (const QString& value : values) {
        const QString field = zt::QuoteCsvField(value);
        const bool special = value.contains(QLatin1Char('"')) || value.contains(QLatin1Char(','));
        if (special != (field != value)) {
            std::abort();
        }
        quoted << field;
    }
    const std::optional<QStringList> read = readCsvLine(quoted.join(QLatin1Char(',')));
    if (!read || *read != values) {
        std::abort();
    }
    return 0;
}
