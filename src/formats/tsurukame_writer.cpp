#include "formats/tsurukame_writer.h"

#include <algorithm>
#include <iterator>

#include "formats/comma_remarks.h"
#include "formats/field_positions.h"
#include "formats/loss_report.h"
#include "platform/text_file_writer.h"

namespace zt {

using namespace Qt::StringLiterals;

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
    const bool remarks = choice >= u'1' && choice <= u'4';
    // Which of name, address, company, department and title the line writes.
    const bool written[] = {
        true, true, remarks,
        remarks && (parts == RemarkParts::DepartmentAndTitle || parts == RemarkParts::Department),
        remarks && (parts == RemarkParts::DepartmentAndTitle || parts == RemarkParts::Title)};
    const QString fieldNames[] = {u"名前"_s, u"アドレス"_s, u"会社名"_s, u"部署名"_s, u"役職"_s};
    for (; !rows.Eof(); rows.MoveNext()) {
        const QString as[] = {rows.Text(name), rows.Text(address), rows.Text(company), rows.Text(department),
                              rows.Text(title)};
        const QString texts[] = {layoutText(as[0]), layoutText(as[1]), layoutText(as[2]), layoutText(as[3]),
                                 layoutText(as[4])};
        QString line = texts[0] + u',' + texts[1] + u',' + today().toString(u"yyyy/MM/dd");
        if (remarks) {
            line += u',';
            appendCommaRemarks(line, parts, texts[2], texts[3], texts[4]);
        }
        const bool lost = out.writeLine(line) > 0;
        if (lost || !lostGroup.isEmpty() || !std::equal(std::begin(as), std::end(as), std::begin(texts))) {
            const QString who = entryShownName(as[0], as[1]);
            if (!reportChanged(losses, who, u"グループ", lostGroup, layoutText(lostGroup, true))) {
                losses.addUnencodable(who, u"グループ", lostGroup);
            }
            bool changed[std::size(as)] = {};
            for (std::size_t i = 0; i < std::size(as); ++i) {
                changed[i] = written[i] && reportChanged(losses, who, fieldNames[i], as[i], texts[i]);
            }
            if (lost) {
                for (std::size_t i : {0, 1}) {
                    if (!changed[i]) {
                        losses.addUnencodable(who, fieldNames[i], as[i]);
                    }
                }
                if (remarks) {
                    addRemarkLosses(losses, who, parts, texts[2], texts[3], texts[4]);
                }
            }
        }
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
        writeEntries(out, losses, db.OpenRecordset(groupSql, {group}), choice, today,
                     lost ? group : QString());
    }
    return losses.finish(out);
}

}  // namespace zt
