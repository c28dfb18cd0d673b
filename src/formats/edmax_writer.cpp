#include "formats/edmax_writer.h"

#include <optional>

#include "formats/comma_remarks.h"
#include "formats/field_positions.h"
#include "formats/loss_report.h"
#include "platform/text_file_writer.h"

namespace zt {
namespace {

// Appends the memo line of `layout` to `line`; false when the layout has none.
bool appendMemo(QString& line, QChar layout, const QString& company, const QString& department,
                const QString& title) {
    const auto add = [&line](QChar separator, const QString& text) {
        line += separator;
        line += text;
    };
    switch (layout.unicode()) {
        case u'1':
            line += company;
            add(u'\t', department);
            add(u'\t', title);
            return true;
        case u'2':
            line += company;
            add(u'\t', department);
            return true;
        case u'3':
            line += company;
            add(u'\t', title);
            return true;
        case u'4':
            line += company;
            return true;
        case u'5':
            appendCommaRemarks(line, RemarkParts::DepartmentAndTitle, company, department, title);
            return true;
        case u'6':
            appendCommaRemarks(line, RemarkParts::Department, company, department, title);
            return true;
        case u'7':
            appendCommaRemarks(line, RemarkParts::Title, company, department, title);
            return true;
        case u'8':
            return true;
        default:
            return false;
    }
}

// Which of the department and title the memo of `layout` writes beside the
// company; none for a layout that writes no company either.
std::optional<RemarkParts> memoParts(QChar layout) {
    switch (layout.unicode()) {
        case u'1':
        case u'5':
            return RemarkParts::DepartmentAndTitle;
        case u'2':
        case u'6':
            return RemarkParts::Department;
        case u'3':
        case u'7':
            return RemarkParts::Title;
        case u'4':
            return RemarkParts::None;
        default:
            return std::nullopt;
    }
}

// A three-line record per distinct group. A group that loses a character
// here loses it again in each member's entry, where the report names the
// person.
void writeGroups(Database& db, TextFileWriter& out) {
    Recordset groups =
        db.OpenRecordset(QStringLiteral("SELECT DISTINCT グループ FROM グループ情報 ORDER BY グループ"));
    for (; !groups.Eof(); groups.MoveNext()) {
        out.writeLine(layoutText(groups.Text(0), true));
        out.writeLine(u"\t");
        out.writeLine(u"");
    }
}

void writeEntries(Database& db, TextFileWriter& out, LossReport& losses, QChar layout) {
    Recordset rows =
        db.OpenRecordset(QStringLiteral("SELECT * FROM 出力情報 ORDER BY グループ,名前,アドレス"));
    const auto f = fieldPositions(rows, kOutputFields);
    const std::optional<RemarkParts> parts = memoParts(layout);
    const std::array<bool, 6> written{
        true, true, true, parts.has_value(), parts && writesDepartment(*parts), parts && writesTitle(*parts)};
    for (; !rows.Eof(); rows.MoveNext()) {
        const OutputRow row(rows, f);
        const auto& t = row.texts;
        qsizetype lost = out.writeLine(t[Name] + QStringLiteral("\t\t") + t[Group]);
        lost += out.writeLine(t[Address]);
        QString memo;
        if (appendMemo(memo, layout, t[Company], t[Department], t[Title])) {
            lost += out.writeLine(memo);
        }
        reportRowLosses(losses, row, written, lost > 0);
    }
}

}  // namespace

qsizetype writeEdMax(Database& db, const OutputTarget& target, QChar layout,
                     const std::function<void(EdMaxPass)>& onPass) {
    TextFileWriter out(target.path);
    LossReport losses(target);
    if (onPass) {
        onPass(EdMaxPass::Groups);
    }
    writeGroups(db, out);
    if (onPass) {
        onPass(EdMaxPass::Entries);
    }
    writeEntries(db, out, losses, layout);
    return losses.finish(out);
}

}  // namespace zt
