#include "formats/tsurukame_writer.h"

#include "formats/comma_remarks.h"
#include "formats/field_positions.h"
#include "formats/loss_report.h"
#include "platform/text_file_writer.h"

namespace zt {

using namespace Qt::StringLiterals;

namespace {

// `headingLost`: the group's heading lost characters, reported with each of
// its entries.
void writeEntries(TextFileWriter& out, LossReport& losses, Recordset rows, QChar choice,
                  const std::function<QDate()>& today, bool headingLost = false) {
    const auto f = fieldPositions(rows, kOutputFields);
    // The remarks are the EdMax comma layouts after one more comma.
    const RemarkParts parts = choice == u'1'   ? RemarkParts::DepartmentAndTitle
                              : choice == u'2' ? RemarkParts::Department
                              : choice == u'3' ? RemarkParts::Title
                                               : RemarkParts::None;
    const bool remarks = choice >= u'1' && choice <= u'4';
    const std::array<bool, 6> written{
        headingLost, true, true, remarks, remarks && writesDepartment(parts), remarks && writesTitle(parts)};
    for (; !rows.Eof(); rows.MoveNext()) {
        const OutputRow row(rows, f);
        const auto& t = row.texts;
        QString line = t[Name] + u',' + t[Address] + u',' + today().toString(u"yyyy/MM/dd");
        if (remarks) {
            line += u',';
            appendCommaRemarks(line, parts, t[Company], t[Department], t[Title]);
        }
        reportRowLosses(losses, row, written, out.writeLine(line) > 0 || headingLost);
    }
}

}  // namespace

qsizetype writeTsurukame(Database& db, const OutputTarget& target, QChar choice,
                         const std::function<QDate()>& today) {
    TextFileWriter out(target.path);
    LossReport losses(target);
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
        const QString heading = layoutText(group, true);
        const bool lost = out.writeLine(QStringLiteral("G1 ") + heading) > 0 || heading != group;
        // Bound, never pasted into the SQL: a quote in a group name is data.
        writeEntries(out, losses, db.OpenRecordset(groupSql, {group}), choice, today, lost);
    }
    return losses.finish(out);
}

}  // namespace zt
