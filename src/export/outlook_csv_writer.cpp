#include "export/outlook_csv_writer.h"

#include <QStringList>

#include "export/csv_writer.h"
#include "export/people.h"
#include "platform/loss_report.h"
#include "platform/text_file_writer.h"

namespace zt {

namespace {

void writeLine(TextFileWriter& out, const QStringList& fields) {
    QStringList quoted;
    for (const QString& field : fields) {
        quoted << quoteCsv(field, u"\",\r\n");
    }
    out.writeBytes(quoted.join(u',').toUtf8() + "\r\n");
}

}  // namespace

qsizetype writeOutlookCsv(Database& db, const QString& path) {
    const std::vector<Person> people = readPeople(db);
    TextFileWriter out(path);
    LossReport losses(QStringLiteral("Outlook 用 CSV 出力"), path);
    // Excel and classic Outlook take a file without it for the ANSI code page.
    out.writeBytes("\xEF\xBB\xBF");
    writeLine(out, {QStringLiteral("First Name"), QStringLiteral("Last Name"),
                    QStringLiteral("E-mail Address"), QStringLiteral("Company"), QStringLiteral("Department"),
                    QStringLiteral("Job Title"), QStringLiteral("Categories")});
    for (const Person& p : people) {
        if (p.shownName.isEmpty()) {
            continue;  // neither name nor address: nothing a mail program can hold
        }
        // Outlook writes several categories so.
        writeLine(out, {p.givenName, p.familyName, p.address, p.company, p.department, p.title,
                        p.groups.join(u';')});
    }
    out.commit();
    return losses.finish();
}

}  // namespace zt
