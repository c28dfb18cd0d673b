#include "formats/tsurukame_writer.h"

#include "formats/comma_remarks.h"
#include "formats/field_positions.h"
#include "formats/loss_report.h"
#include "platform/text_file_writer.h"

namespace zt {
namespace {

// `lostGroup`: the group whose heading lost characters, reported with each of
// its entries; empty for none.
void writeEntries(TextFileWriter& out, LossReport& losses, Recordset rows, QChar choice,
                  const std::function<QDate()>& today, const QString& lostGroup = QString()) {
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
        const bool remarks = choice >= u'1' && choice <= u'4';
        if (remarks) {
            line += u',';
            appendCommaRemarks(line, parts, rows.Text(company), rows.Text(department), rows.Text(title));
        }
        if (out.writeLine(line) > 0 || !lostGroup.isEmpty()) {
            const QString who = entryShownName(rows.Text(name), rows.Text(address));
            losses.addUnencodable(who, u"グループ", lostGroup);
            losses.addUnencodable(who, u"名前", rows.Text(name));
            losses.addUnencodable(who, u"アドレス", rows.Text(address));
            if (remarks) {
                addRemarkLosses(losses, who, parts, rows.Text(company), rows.Text(department),
                                rows.Text(title));
            }
        }
    }
}

}  // namespace

qsizetype writeTsurukame(Database& db, const QString& path, QChar choice,
                         const std::function<QDate()>& today) {
    TextFileWriter out(path);
    LossReport losses(QStringLiteral("鶴亀アドレス帳作成"), path);
    writeEntries(out, losses,
                 db.OpenRecordset(
                     QStringLiteral("SELECT * FROM 出力情報 WHERE グループ IS NULL ORDER BY 名前,アドレス")),
                 choice, today);
    const QString groupSql =
        QStringLiteral("SELECT * FROM 出力情報 WHERE グループ = ? ORDER BY 名前,アドレス");
    for (Recordset groups =
             db.OpenRecordset(QStringLiteral("SELECT DISTINCT グループ FROM グループ情報 ORDER BY グループ"));
         !groups.Eof(); groups.MoveNext()) {
        const QString group = groups.Text(0);
        const bool lost = out.writeLine(QStringLiteral("G1 ") + group) > 0;
        // Bound, never pasted into the SQL: a quote in a group name is data.
        writeEntries(out, losses, db.OpenRecordset(groupSql, {group}), choice, today,
                     lost ? group : QString());
    }
    out.commit();
    return losses.finish();
}

}  // namespace zt
