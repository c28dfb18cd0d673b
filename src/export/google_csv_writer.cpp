#include "export/google_csv_writer.h"

#include <QStringList>
#include <algorithm>

#include "export/csv_writer.h"
#include "export/people.h"
#include "platform/text_file_writer.h"

namespace zt {

namespace {

const QStringList kAddressParts{
    QStringLiteral("Label"),       QStringLiteral("Formatted"), QStringLiteral("Street"),
    QStringLiteral("City"),        QStringLiteral("PO Box"),    QStringLiteral("Region"),
    QStringLiteral("Postal Code"), QStringLiteral("Country"),   QStringLiteral("Extended Address")};

QString phoneLabel(const TypedValue& phone) {
    switch (phoneKind(phone)) {
        case PhoneKind::Work:
            return QStringLiteral("Work");
        case PhoneKind::Home:
            return QStringLiteral("Home");
        case PhoneKind::Mobile:
            return QStringLiteral("Mobile");
        case PhoneKind::WorkFax:
            return QStringLiteral("Work Fax");
        case PhoneKind::HomeFax:
            return QStringLiteral("Home Fax");
        case PhoneKind::Pager:
            return QStringLiteral("Pager");
        case PhoneKind::Other:
            break;
    }
    return QStringLiteral("Other");
}

QString placeLabel(const QStringList& types) {
    switch (placeKind(types)) {
        case PlaceKind::Work:
            return QStringLiteral("Work");
        case PlaceKind::Home:
            return QStringLiteral("Home");
        case PlaceKind::Other:
            break;
    }
    return QStringLiteral("Other");
}

// Postal order as an envelope in Japan reads: the code, then region,
// locality and street run together, then the building, then the country.
QString formatted(const PostalAddress& a) {
    QStringList lines{a.code, a.region + a.locality + a.street, a.extended, a.country};
    lines.removeAll(QString());
    return lines.join(QStringLiteral("\r\n"));
}

// Google separates labels with " ::: "; a group name holding it would
// become two labels.
QString labels(const QStringList& groups) {
    QStringList out{QStringLiteral("* myContacts")};
    for (const QString& group : groups) {
        out << QString(group).replace(QStringLiteral(":::"), QStringLiteral("：：："));
    }
    return out.join(QStringLiteral(" ::: "));
}

// Up to `columns` values of a person's list, `width` fields each; the room
// the person does not fill stays empty.
template <class T, class Fields>
void appendRepeated(QStringList& row, const QList<T>& values, qsizetype columns, int width, Fields fields) {
    for (qsizetype i = 0; i < columns; ++i) {
        if (i < values.size()) {
            row << fields(values[i], i);
        } else {
            for (int f = 0; f < width; ++f) {
                row << QString();
            }
        }
    }
}

QString withLineBreaks(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    return text.replace(u'\n', QStringLiteral("\r\n"));
}

}  // namespace

void writeGoogleCsv(Database& db, const QString& path) {
    const std::vector<Person> people = readPeople(db);
    qsizetype emails = 1, phones = 1, addresses = 1, websites = 1;
    for (const Person& p : people) {
        emails = std::max(emails, p.emails.size());
        phones = std::max(phones, p.phones.size());
        addresses = std::max(addresses, p.postalAddresses.size());
        websites = std::max(websites, p.webPages.size());
    }

    QStringList header{QStringLiteral("First Name"),
                       QStringLiteral("Middle Name"),
                       QStringLiteral("Last Name"),
                       QStringLiteral("Phonetic First Name"),
                       QStringLiteral("Phonetic Middle Name"),
                       QStringLiteral("Phonetic Last Name"),
                       QStringLiteral("Name Prefix"),
                       QStringLiteral("Name Suffix"),
                       QStringLiteral("Nickname"),
                       QStringLiteral("File As"),
                       QStringLiteral("Organization Name"),
                       QStringLiteral("Organization Title"),
                       QStringLiteral("Organization Department"),
                       QStringLiteral("Birthday"),
                       QStringLiteral("Notes"),
                       QStringLiteral("Labels")};
    const auto pairs = [&header](const char* what, qsizetype count) {
        for (qsizetype n = 1; n <= count; ++n) {
            header << QStringLiteral("%1 %2 - Label").arg(QLatin1String(what)).arg(n)
                   << QStringLiteral("%1 %2 - Value").arg(QLatin1String(what)).arg(n);
        }
    };
    pairs("E-mail", emails);
    pairs("Phone", phones);
    for (qsizetype n = 1; n <= addresses; ++n) {
        for (const QString& part : kAddressParts) {
            header << QStringLiteral("Address %1 - %2").arg(n).arg(part);
        }
    }
    pairs("Website", websites);

    TextFileWriter out(path);
    out.writeBytes(csvLine(header));
    for (const Person& p : people) {
        QStringList row{p.givenName,
                        p.middleName,
                        p.familyName,
                        p.phoneticGiven,
                        QString(),
                        p.phoneticFamily,
                        p.prefix,
                        p.suffix,
                        p.nickname,
                        QString(),
                        p.company,
                        p.title,
                        p.department,
                        p.birthday.isValid() ? p.birthday.toString(QStringLiteral("yyyy-MM-dd")) : QString(),
                        withLineBreaks(p.note),
                        labels(p.groups)};
        // The star marks the primary address, which is the person's own.
        appendRepeated(row, p.emails, emails, 2, [](const TypedValue& e, qsizetype i) {
            return QStringList{(i == 0 ? QStringLiteral("* ") : QString()) + placeLabel(e.types), e.value};
        });
        appendRepeated(row, p.phones, phones, 2, [](const TypedValue& phone, qsizetype) {
            return QStringList{phoneLabel(phone), phone.value};
        });
        appendRepeated(
            row, p.postalAddresses, addresses, int(kAddressParts.size()),
            [](const PostalAddress& a, qsizetype) {
                return QStringList{
                    placeLabel(a.types), formatted(a), a.street, a.locality, a.poBox, a.region, a.code,
                    a.country,           a.extended};
            });
        appendRepeated(row, p.webPages, websites, 2, [](const TypedValue& url, qsizetype) {
            return QStringList{
                placeKind(url.types) == PlaceKind::Home ? QStringLiteral("Home") : QStringLiteral("Work"),
                url.value};
        });
        out.writeBytes(csvLine(row));
    }
    out.commit();
}

}  // namespace zt
