#include "export/tsurukame_writer.h"

#include "export/comma_remarks.h"
#include "platform/text_file_writer.h"

namespace zt {
namespace {

void writeEntries(TextFileWriter& out, Recordset rows, QChar choice, const std::function<QDate()>& today) {
    const int name = rows.FieldIndex(QStringLiteral("名前"));
    const int address = rows.FieldIndex(QStringLiteral("アドレス"));
    const int company = rows.FieldIndex(QStringLiteral("会社名"));
    const int department = rows.FieldIndex(QStringLiteral("部署名"));
    const int title = rows.FieldIndex(QStringLiteral("役職"));
    // The remarks are the EdMax comma layouts after one more comma.
    const RemarkParts parts = choice == u'1'   ? RemarkParts::DepartmentAndTitle
                              : choice == u'2' ? RemarkParts::Department
                              : choice == u'3' ? RemarkParts::Title
                                               : RemarkParts::None;
    for (; !rows.Eof(); rows.MoveNext()) {
        QString line = rows.Text(name) + u',' + rows.Text(address) + u',' + today().toString(u"yyyy/MM/dd");
        if (choice >= u'1' && choice <= u'4') {
            line += u',';
            appendCommaRemarks(line, parts, rows.Text(company), rows.Text(department), rows.Text(title));
        }
        out.writeLine(line);
    }
}

}  // namespace

void writeTsurukame(Database& db, const QString& path, QChar choice, const std::function<QDate()>& today) {
    TextFileWriter out(path);
    writeEntries(out,
                 db.OpenRecordset(
                     QStringLiteral("SELECT * FROM 出力情報 WHERE グループ IS NULL ORDER BY 名前,アドレス")),
                 choice, today);
    const QString groupSql =
        QStringLiteral("SELECT * FROM 出力情報 WHERE グループ = ? ORDER BY 名前,アドレス");
    for (Recordset groups =
             db.OpenRecordset(QStringLiteral("SELECT DISTINCT グループ FROM グループ情報 ORDER BY グループ"));
         !groups.Eof(); groups.MoveNext()) {
        const QString group = groups.Text(0);
        out.writeLine(QStringLiteral("G1 ") + group);
        // Bound, never pasted into the SQL: a quote in a group name is data.
        writeEntries(out, db.OpenRecordset(groupSql, {group}), choice, today);
    }
    out.commit();
}

}  // namespace zt
