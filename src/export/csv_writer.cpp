#include "export/csv_writer.h"

#include "export/field_positions.h"
#include "platform/ansi_text_file.h"

namespace zt {

QString QuoteCsvField(const FieldValue& value) {
    if (!value) {
        return QString();
    }
    const QString& text = *value;
    if (text.contains(u'"')) {
        QString doubled = text;
        doubled.replace(QStringLiteral("\""), QStringLiteral("\"\""));
        return u'"' + doubled + u'"';
    }
    if (text.contains(u',')) {
        return u'"' + text + u'"';
    }
    return text;
}

void writeCsv(Database& db, const QString& path) {
    Recordset rows = db.OpenRecordset(QStringLiteral("出力情報"));
    const auto fields = fieldPositions<6>(
        rows, {QStringLiteral("グループ"), QStringLiteral("名前"), QStringLiteral("アドレス"),
               QStringLiteral("会社名"), QStringLiteral("部署名"), QStringLiteral("役職")});

    AnsiTextWriter out(path);
    QString line;
    for (; !rows.Eof(); rows.MoveNext()) {
        line.resize(0);  // keeps the buffer: one allocation for the whole file
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i > 0) {
                line += u',';
            }
            line += QuoteCsvField(rows.Fields(fields[i]));
        }
        out.writeLine(line);
    }
    rows.Close();
    out.commit();
}

}  // namespace zt
