#include "export/csv_writer.h"

#include "export/field_positions.h"
#include "platform/ansi_text_file.h"

namespace zt {

namespace {

// Appends one field as QuoteCsvField renders it, without a string of its own:
// the writer does this for six fields of every row.
void appendCsvField(QString& line, QStringView text) {
    // One pass for both characters; the fields are short.
    bool hasQuote = false;
    bool hasComma = false;
    for (const QChar c : text) {
        if (c == u'"') {
            hasQuote = true;
            break;
        }
        hasComma = hasComma || c == u',';
    }
    if (!hasQuote && !hasComma) {
        line += text;
        return;
    }
    line += u'"';
    if (!hasQuote) {
        line += text;
    } else {
        for (qsizetype from = 0;;) {
            const qsizetype quote = text.indexOf(u'"', from);
            if (quote < 0) {
                line += text.mid(from);
                break;
            }
            line += text.mid(from, quote + 1 - from);
            line += u'"';
            from = quote + 1;
        }
    }
    line += u'"';
}

}  // namespace

QString QuoteCsvField(const FieldValue& value) {
    if (!value) {
        return QString();
    }
    QString quoted;
    appendCsvField(quoted, *value);
    return quoted;
}

void writeCsv(Database& db, const QString& path) {
    Recordset rows = db.OpenRecordset(QStringLiteral("出力情報"));
    const auto fields = fieldPositions(rows, kOutputFields);

    AnsiTextWriter out(path);
    // Both buffers are reused row after row (resize(0) keeps the allocation).
    QString line;
    QString field;
    for (; !rows.Eof(); rows.MoveNext()) {
        line.resize(0);
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i > 0) {
                line += u',';
            }
            rows.ReadText(fields[i], field);
            appendCsvField(line, field);
        }
        out.writeLine(line);
    }
    rows.Close();
    out.commit();
}

}  // namespace zt
