#include "formats/csv_writer.h"

#include <QStringList>
#include <algorithm>
#include <numeric>

#include "formats/control_characters.h"
#include "formats/field_positions.h"
#include "formats/loss_report.h"
#include "platform/text_file_writer.h"

using namespace Qt::StringLiterals;

namespace zt {

QString quoteCsv(const QString& text, QStringView specials) {
    const bool needsQuotes =
        std::find_first_of(text.begin(), text.end(), specials.begin(), specials.end()) != text.end();
    if (!needsQuotes) {
        return text;
    }
    return u'"' + QString(text).replace(u'"', u"\"\""_s) + u'"';
}

QString rfc4180Fields(const QStringList& fields) {
    QString line;
    line.reserve(std::accumulate(fields.begin(), fields.end(), fields.size(),
                                 [](qsizetype size, const QString& field) { return size + field.size(); }));
    for (const QString& field : fields) {
        if (&field != &fields.first()) {
            line += u',';
        }
        line += quoteCsv(withoutStrayControls(field), u"\",\r\n");
    }
    return line;
}

QString QuoteCsvField(const FieldValue& value) {
    return value ? quoteCsv(*value, u"\",") : QString();
}

qsizetype writeCsv(Database& db, const OutputTarget& target) {
    Recordset rows = db.OpenRecordset(QStringLiteral("SELECT * FROM 出力情報"));
    const auto fields = fieldPositions(rows, kOutputFields);

    TextFileWriter out(target.path);
    LossReport losses(target);
    for (; !rows.Eof(); rows.MoveNext()) {
        const OutputRow row(rows, fields);
        QStringList line;
        for (const QString& text : row.texts) {
            line << QuoteCsvField(text);
        }
        reportRowLosses(losses, row, {true, true, true, true, true, true},
                        out.writeLine(line.join(u',')) > 0);
    }
    return losses.finish(out);
}

}  // namespace zt
