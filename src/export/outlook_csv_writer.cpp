#include "export/outlook_csv_writer.h"

#include <QStringList>

#include "export/csv_writer.h"
#include "export/people.h"
#include "platform/loss_report.h"
#include "platform/text_file_writer.h"

namespace zt {

using namespace Qt::StringLiterals;

namespace {

void writeLine(TextFileWriter& out, const QStringList& fields) {
    QString line;
    for (const QString& field : fields) {
        if (&field != &fields.first()) {
            line += u',';
        }
        line += quoteCsv(field, u"\",\r\n");
    }
    out.writeBytes(line.toUtf8().append("\r\n"));
}

// Outlook's own column names; it finds each by its name, not by its place.
const char kHeader[] =
    "First Name,Middle Name,Last Name,Title,Suffix,Nickname,Given Yomi,Surname Yomi,E-mail Address,"
    "E-mail 2 Address,E-mail 3 Address,Home Phone,Home Phone 2,Business Phone,Business Phone 2,"
    "Mobile Phone,Other Phone,Pager,Business Fax,Home Fax,Company,Department,Job Title,Business Street,"
    "Business City,Business State,Business Postal Code,Business Country/Region,Home Street,Home City,"
    "Home State,Home Postal Code,Home Country/Region,Other Street,Other City,Other State,"
    "Other Postal Code,Other Country/Region,Web Page,Personal Web Page,Birthday,Notes,Categories";

// The `n`th (from 0) value of `values` of the kind, or the empty text.
template <class Kind, class KindOf>
QString nthOf(const QList<TypedValue>& values, Kind kind, KindOf kindOf, int n = 0) {
    for (const TypedValue& v : values) {
        if (kindOf(v) == kind && n-- == 0) {
            return v.value;
        }
    }
    return {};
}

// Street, City, State, Postal Code, Country/Region of the first address of the kind.
QStringList place(const Person& p, PlaceKind kind) {
    for (const PostalAddress& a : p.postalAddresses) {
        if (placeKind(a.types) == kind) {
            const QString street = a.street.isEmpty() || a.extended.isEmpty()
                                       ? a.street + a.extended
                                       : a.street + u"\r\n"_s + a.extended;
            return {street, a.locality, a.region, a.code, a.country};
        }
    }
    return {{}, {}, {}, {}, {}};
}

}  // namespace

qsizetype writeOutlookCsv(Database& db, const QString& path) {
    TextFileWriter out(path);
    LossReport losses(QStringLiteral("Outlook 用 CSV 出力"), path);
    // Excel and classic Outlook take a file without it for the ANSI code page.
    out.writeBytes("\xEF\xBB\xBF");
    out.writeBytes(QByteArray(kHeader) + "\r\n");
    forEachPerson(db, [&](const Person& p) {
        const auto email = [&p](int n) { return n < p.emails.size() ? p.emails[n].value : QString(); };
        const auto phone = [&p](PhoneKind kind, int n = 0) { return nthOf(p.phones, kind, phoneKind, n); };
        const auto page = [&p](PlaceKind kind) {
            return nthOf(p.webPages, kind, [](const TypedValue& v) {
                return placeKind(v.types) == PlaceKind::Home ? PlaceKind::Home : PlaceKind::Work;
            });
        };
        // Outlook writes several categories so; within a group's name the
        // full-width form keeps it one category.
        QStringList categories;
        for (const QString& group : p.groups) {
            categories << QString(group).replace(u';', u'；');
        }
        QStringList fields{p.givenName,
                           p.middleName,
                           p.familyName,
                           p.prefix,
                           p.suffix,
                           p.nickname,
                           p.phoneticGiven,
                           p.phoneticFamily,
                           email(0),
                           email(1),
                           email(2),
                           phone(PhoneKind::Home),
                           phone(PhoneKind::Home, 1),
                           phone(PhoneKind::Work),
                           phone(PhoneKind::Work, 1),
                           phone(PhoneKind::Mobile),
                           phone(PhoneKind::Other),
                           phone(PhoneKind::Pager),
                           phone(PhoneKind::WorkFax),
                           phone(PhoneKind::HomeFax),
                           p.company,
                           p.department,
                           p.title};
        fields << place(p, PlaceKind::Work) << place(p, PlaceKind::Home) << place(p, PlaceKind::Other);
        fields << page(PlaceKind::Work) << page(PlaceKind::Home)
               << (p.birthday.isValid() ? p.birthday.toString(u"yyyy/M/d") : QString())
               << QString(p.note).replace(u'\n', u"\r\n"_s) << categories.join(u';');
        writeLine(out, fields);
    });
    out.commit();
    return losses.finish();
}

}  // namespace zt
