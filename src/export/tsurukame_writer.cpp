#include "export/tsurukame_writer.h"

#include <QDateTime>
#include <algorithm>

#include "export/comma_remarks.h"
#include "export/field_positions.h"
#include "platform/text_file_writer.h"

namespace zt {
namespace {

class EntryLineWriter {
public:
    EntryLineWriter(TextFileWriter& out, QChar choice, const std::function<QDate()>& today)
        : out_(out), choice_(choice), today_(today) {}

    void writeAll(Recordset& rows) {
        const auto f = fieldPositions<5>(
            rows, {QStringLiteral("名前"), QStringLiteral("アドレス"), QStringLiteral("会社名"),
                   QStringLiteral("部署名"), QStringLiteral("役職")});
        for (; !rows.Eof(); rows.MoveNext()) {
            rows.ReadText(f[0], name_);
            rows.ReadText(f[1], address_);
            rows.ReadText(f[2], company_);
            rows.ReadText(f[3], department_);
            rows.ReadText(f[4], title_);
            writeLine(name_, address_, company_, department_, title_);
        }
        rows.Close();
    }

private:
    void writeLine(const QString& name, const QString& address, const QString& company,
                   const QString& department, const QString& title) {
        line_.resize(0);
        line_ += name;
        line_ += u',';
        line_ += address;
        line_ += u',';
        line_ += dateText();
        // The remarks are the EdMax comma layouts after one more comma.
        const RemarkParts parts = choice_ == u'1'   ? RemarkParts::DepartmentAndTitle
                                  : choice_ == u'2' ? RemarkParts::Department
                                  : choice_ == u'3' ? RemarkParts::Title
                                                    : RemarkParts::None;
        if (choice_ >= u'1' && choice_ <= u'4') {
            line_ += u',';
            appendCommaRemarks(line_, parts, company, department, title);
        }
        out_.writeLine(line_);
    }

    // Formatting the date is the dearest part of a line; it changes at most
    // once in a run.
    const QString& dateText() {
        const QDate date = today_();
        if (date != lastDate_ || dateText_.isEmpty()) {
            lastDate_ = date;
            dateText_ = date.toString(u"yyyy/MM/dd");
        }
        return dateText_;
    }

    TextFileWriter& out_;
    const QChar choice_;
    const std::function<QDate()>& today_;
    // Reused row after row, as is line_.
    QString line_, name_, address_, company_, department_, title_;
    QDate lastDate_;
    QString dateText_;
};

}  // namespace

QDate currentLocalDate() {
    // QDate::currentDate takes the clock through the local time zone rules,
    // which costs more than the rest of a line. The date it gives holds until
    // the next local midnight; it is kept until then, and for a second at
    // most, so that a clock or time zone changed during a run is seen soon.
    thread_local QDate date;
    thread_local qint64 from = 0;
    thread_local qint64 until = 0;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now < from || now >= until) {
        date = QDate::currentDate();
        from = now;
        until = std::min(now + 1000, date.addDays(1).startOfDay().toMSecsSinceEpoch());
    }
    return date;
}

void writeTsurukame(Database& db, const QString& path, QChar choice, const std::function<QDate()>& today) {
    TextFileWriter out(path);
    EntryLineWriter entries(out, choice, today);

    Recordset ungrouped = db.OpenRecordset(
        QStringLiteral("SELECT * FROM 出力情報 WHERE グループ IS NULL ORDER BY 名前,アドレス"));
    entries.writeAll(ungrouped);

    Recordset groups =
        db.OpenRecordset(QStringLiteral("SELECT DISTINCT グループ FROM グループ情報 ORDER BY グループ"));
    const QString groupSql =
        QStringLiteral("SELECT * FROM 出力情報 WHERE グループ = ? ORDER BY 名前,アドレス");
    QString heading;
    for (; !groups.Eof(); groups.MoveNext()) {
        const QString group = groups.Text(0);
        heading = QStringLiteral("G1 ") + group;
        out.writeLine(heading);
        // Bound, never pasted into the SQL: a quote in a group name is data.
        Recordset members = db.OpenRecordset(groupSql, {group});
        entries.writeAll(members);
    }
    groups.Close();
    out.commit();
}

}  // namespace zt
