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

// The six fields of the current row, read into buffers that are reused row
// after row.
struct RowTexts {
    QString group, name, address, company, department, title;
};

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

}  // namespace

qsizetype writeEdMax(Database& db, const QString& path, QChar layout,
                     const std::function<void(EdMaxPass)>& onPass) {
    TextFileWriter out(path);
    LossReport losses(QStringLiteral("EdMax アドレス帳作成"), path);

    if (onPass) {
        onPass(EdMaxPass::Groups);
    }
    // A group that loses a character here loses it again in each member's
    // entry, where the report names the person.
    Recordset groups =
        db.OpenRecordset(QStringLiteral("SELECT DISTINCT グループ FROM グループ情報 ORDER BY グループ"));
    for (; !groups.Eof(); groups.MoveNext()) {
        out.writeLine(groups.Text(0));
        out.writeLine(u"\t");
        out.writeLine(u"");
    }

    if (onPass) {
        onPass(EdMaxPass::Entries);
    }
    Recordset rows =
        db.OpenRecordset(QStringLiteral("SELECT * FROM 出力情報 ORDER BY グループ,名前,アドレス"));
    enum { Group, Name, Address, Company, Department, Title };
    const auto f = fieldPositions(rows, kOutputFields);
    QString line;
    RowTexts t;
    for (; !rows.Eof(); rows.MoveNext()) {
        t.group = rows.Text(f[Group]);
        t.name = rows.Text(f[Name]);
        t.address = rows.Text(f[Address]);
        t.company = rows.Text(f[Company]);
        t.department = rows.Text(f[Department]);
        t.title = rows.Text(f[Title]);
        line.resize(0);
        line += t.name;
        line += QLatin1String("\t\t");
        line += t.group;
        qsizetype lost = out.writeLine(line);
        lost += out.writeLine(t.address);
        line.resize(0);
        if (appendMemo(line, layout, t.company, t.department, t.title)) {
            lost += out.writeLine(line);
        }
        if (lost > 0) {
            const QString who = entryShownName(t.name, t.address);
            losses.addUnencodable(who, u"名前", t.name);
            losses.addUnencodable(who, u"グループ", t.group);
            losses.addUnencodable(who, u"アドレス", t.address);
            if (const auto parts = memoParts(layout)) {
                addRemarkLosses(losses, who, *parts, t.company, t.department, t.title);
            }
        }
    }
    out.commit();
    return losses.finish();
}

}  // namespace zt
