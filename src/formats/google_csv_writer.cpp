#include "formats/google_csv_writer.h"

#include <QStringList>
#include <algorithm>
#include <array>
#include <numeric>
#include <vector>

#include "card/person.h"
#include "formats/csv_writer.h"
#include "formats/loss_report.h"
#include "formats/person_losses.h"
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

// The columns a group of repeated columns gives one entry.
enum Repeated { Emails, Phones, Addresses, Websites };
const std::array<qsizetype, 4> kWidth{2, 2, kAddressParts.size(), 2};

// A person's row in UTF-8, kept until the widest person is known: its fixed
// columns and then the fields of each group of repeated columns, in one
// array of its own size; where each of those parts ends, and how many
// entries each group filled.
struct Row {
    QByteArray bytes;
    std::array<qsizetype, 5> ends{};
    std::array<qsizetype, 4> filled{};
};

QByteArray utf8Fields(const QStringList& fields) {
    return rfc4180Fields(fields).toUtf8();
}

QByteArray fixedColumns(const Person& p) {
    return utf8Fields({p.givenName, p.middleName, p.familyName, p.phoneticGiven, QString(), p.phoneticFamily,
                       p.prefix, p.suffix, p.nickname, QString(), p.company, p.title, p.department,
                       p.birthday.isValid() ? p.birthday.toString(u"yyyy-MM-dd") : QString(),
                       QString(p.note).replace(u'\n', QStringLiteral("\r\n")), labels(p.groups)});
}

// The star marks the primary address, which is the person's own.
QByteArray emails(const Person& p) {
    QStringList fields;
    for (qsizetype i = 0; i < p.emails.size(); ++i) {
        const QString label = placeLabel(p.emails[i].types);
        fields << (i == 0 ? QStringLiteral("* ") + label : label) << p.emails[i].value;
    }
    return utf8Fields(fields);
}

QByteArray phones(const Person& p) {
    QStringList fields;
    for (const TypedValue& phone : p.phones) {
        fields << phoneLabel(phone) << phone.value;
    }
    return utf8Fields(fields);
}

QByteArray postalAddresses(const Person& p) {
    QStringList fields;
    for (const PostalAddress& a : p.postalAddresses) {
        fields << placeLabel(a.types) << formatted(a) << a.street << a.locality << a.poBox << a.region
               << a.code << a.country << a.extended;
    }
    return utf8Fields(fields);
}

QByteArray websites(const Person& p) {
    QStringList fields;
    for (const TypedValue& url : p.webPages) {
        fields << (placeKind(url.types) == PlaceKind::Home ? QStringLiteral("Home") : QStringLiteral("Work"))
               << url.value;
    }
    return utf8Fields(fields);
}

// The header for `most` entries of each group of repeated columns.
QByteArray header(const std::array<qsizetype, 4>& most) {
    QString header = QStringLiteral(
        "First Name,Middle Name,Last Name,Phonetic First Name,Phonetic Middle Name,Phonetic Last Name,"
        "Name Prefix,Name Suffix,Nickname,File As,Organization Name,Organization Title,"
        "Organization Department,Birthday,Notes,Labels");
    const auto pairs = [&header](const QString& what, qsizetype count) {
        for (qsizetype n = 1; n <= count; ++n) {
            header += QStringLiteral(",%1 %2 - Label,%1 %2 - Value").arg(what).arg(n);
        }
    };
    pairs(QStringLiteral("E-mail"), most[Emails]);
    pairs(QStringLiteral("Phone"), most[Phones]);
    for (qsizetype n = 1; n <= most[Addresses]; ++n) {
        for (const QString& part : kAddressParts) {
            header += QStringLiteral(",Address %1 - %2").arg(n).arg(part);
        }
    }
    pairs(QStringLiteral("Website"), most[Websites]);
    return (header + QStringLiteral("\r\n")).toUtf8();
}

// The parts are made apart and copied into one array of the row's own size:
// toUtf8 leaves room for three bytes per character, which five arrays a row
// would hold on to until the end (peak RSS at the bench's 100,000 cards: 259
// MB with five arrays a row, 172 MB with one).
Row rowOf(const Person& p) {
    const std::array<QByteArray, 5> parts{fixedColumns(p), emails(p), phones(p), postalAddresses(p),
                                          websites(p)};
    Row row;
    row.bytes.reserve(
        std::accumulate(parts.begin(), parts.end(), qsizetype(0),
                        [](qsizetype size, const QByteArray& part) { return size + part.size(); }));
    for (std::size_t i = 0; i < parts.size(); ++i) {
        row.bytes += parts[i];
        row.ends[i] = row.bytes.size();
    }
    row.filled = {p.emails.size(), p.phones.size(), p.postalAddresses.size(), p.webPages.size()};
    return row;
}

}  // namespace

// The columns repeat as often as a person needs: only what no output carries is lost.
void reportGoogleLosses(const Person& p, LossReport& losses) {
    reportUncarried(losses, p);
}

qsizetype writeGoogleCsv(const PersonSource& people, const OutputTarget& target) {
    LossReport losses(target);
    std::vector<Row> rows;
    std::array<qsizetype, 4> most{1, 1, 1, 1};
    people([&](const Person& p) {
        Row& row = rows.emplace_back(rowOf(p));
        for (std::size_t kind = 0; kind < most.size(); ++kind) {
            most[kind] = std::max(most[kind], row.filled[kind]);
        }
        reportGoogleLosses(p, losses);
    });

    TextFileWriter out(target.path);
    out.writeBytes(header(most));
    for (Row& row : rows) {
        const QByteArrayView bytes = row.bytes;
        QByteArray line = bytes.first(row.ends[0]).toByteArray();
        for (std::size_t kind = 0; kind < most.size(); ++kind) {
            if (row.filled[kind] > 0) {
                line += ',';
                line += bytes.sliced(row.ends[kind], row.ends[kind + 1] - row.ends[kind]);
            }
            // Every row has every column: the room a person leaves is empty fields.
            line += QByteArray((most[kind] - row.filled[kind]) * kWidth[kind], ',');
        }
        line += "\r\n";
        out.writeBytes(line);
        row = Row();
    }
    return losses.finish(out);
}

}  // namespace zt
