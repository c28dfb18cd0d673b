#include "formats/google_csv_writer.h"

#include <QStringList>
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "card/people.h"
#include "formats/person_losses.h"
#include "formats/utf8_record.h"
#include "formats/loss_report.h"
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

// One field with the comma before it, quoted as RFC 4180 asks.
void appendField(std::string& out, QStringView field) {
    out += ',';
    appendCsvField(out, field, u"\",\r\n");
}

// A person's row, kept until the widest person is known, in one allocation of
// its own size: its fixed columns, then each repeated group of columns, with
// where each part ends and how many entries each group filled.
struct Row {
    std::string bytes;
    std::array<std::size_t, 5> ends{};
    std::array<qsizetype, 4> filled{};
};

}  // namespace

qsizetype writeGoogleCsv(Database& db, const QString& path) {
    LossReport losses(QStringLiteral("Google 用 CSV 出力"), path);
    // A person at a time, as the other writers go; what waits for the widths is
    // the row's own bytes, not the person.
    enum { Emails, Phones, Addresses, Websites };
    const std::array<int, 4> width{2, 2, int(kAddressParts.size()), 2};
    std::array<qsizetype, 4> most{1, 1, 1, 1};
    std::vector<Row> rows;
    std::array<std::string, 5> parts;  // the row under way; their room is kept from row to row
    enum { Fixed };
    forEachPerson(db, [&](const Person& p) {
        for (std::string& part : parts) {
            part.clear();
        }
        const QString birthday = birthdayText(p.birthday, "%04d-%02d-%02d");
        appendCsvField(parts[Fixed], p.givenName, u"\",\r\n");
        for (const QString& field :
             {p.middleName, p.familyName, p.phoneticGiven, QString(), p.phoneticFamily, p.prefix, p.suffix,
              p.nickname, QString(), p.company, p.title, p.department, birthday,
              QString(p.note).replace(u'\n', QStringLiteral("\r\n")), labels(p.groups)}) {
            appendField(parts[Fixed], field);
        }
        // The star marks the primary address, which is the person's own.
        for (qsizetype i = 0; i < p.emails.size(); ++i) {
            const QString label = placeLabel(p.emails[i].types);
            appendField(parts[1 + Emails], i == 0 ? QStringLiteral("* ") + label : label);
            appendField(parts[1 + Emails], p.emails[i].value);
        }
        for (const TypedValue& phone : p.phones) {
            appendField(parts[1 + Phones], phoneLabel(phone));
            appendField(parts[1 + Phones], phone.value);
        }
        for (const PostalAddress& a : p.postalAddresses) {
            for (const QString& field : {placeLabel(a.types), formatted(a), a.street, a.locality, a.poBox,
                                         a.region, a.code, a.country, a.extended}) {
                appendField(parts[1 + Addresses], field);
            }
        }
        for (const TypedValue& url : p.webPages) {
            appendField(parts[1 + Websites], placeKind(url.types) == PlaceKind::Home
                                                 ? QStringLiteral("Home")
                                                 : QStringLiteral("Work"));
            appendField(parts[1 + Websites], url.value);
        }
        Row& row = rows.emplace_back();
        std::size_t size = 0;
        for (std::size_t i = 0; i < parts.size(); ++i) {
            size += parts[i].size();
            row.ends[i] = size;
        }
        row.bytes.reserve(size);
        for (const std::string& part : parts) {
            row.bytes += part;
        }
        row.filled = {p.emails.size(), p.phones.size(), p.postalAddresses.size(), p.webPages.size()};
        reportUncarried(losses, p);
        for (int kind = 0; kind < 4; ++kind) {
            most[kind] = std::max(most[kind], row.filled[kind]);
        }
    });

    QByteArray header =
        "First Name,Middle Name,Last Name,Phonetic First Name,Phonetic Middle Name,Phonetic Last Name,"
        "Name Prefix,Name Suffix,Nickname,File As,Organization Name,Organization Title,"
        "Organization Department,Birthday,Notes,Labels";
    const auto pairs = [&header](const char* what, qsizetype count) {
        for (qsizetype n = 1; n <= count; ++n) {
            header += QStringLiteral(",%1 %2 - Label,%1 %2 - Value").arg(QLatin1String(what)).arg(n).toUtf8();
        }
    };
    pairs("E-mail", most[Emails]);
    pairs("Phone", most[Phones]);
    for (qsizetype n = 1; n <= most[Addresses]; ++n) {
        for (const QString& part : kAddressParts) {
            header += QStringLiteral(",Address %1 - %2").arg(n).arg(part).toUtf8();
        }
    }
    pairs("Website", most[Websites]);

    TextFileWriter out(path);
    out.writeBytes(header + "\r\n");
    std::string line;
    for (Row& row : rows) {
        line.assign(row.bytes, 0, row.ends[Fixed]);
        for (int kind = 0; kind < 4; ++kind) {
            line.append(row.bytes, row.ends[kind], row.ends[kind + 1] - row.ends[kind]);
            // Every row has every column: the room a person leaves is empty fields.
            line.append(std::size_t((most[kind] - row.filled[kind]) * width[kind]), ',');
        }
        line += "\r\n";
        out.writeBytes(line);
        row = Row();
    }
    out.commit();
    return losses.finish();
}

}  // namespace zt
