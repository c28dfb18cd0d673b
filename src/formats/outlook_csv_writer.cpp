#include "formats/outlook_csv_writer.h"

#include <QStringList>
#include <array>
#include <string>
#include <vector>

#include "card/people.h"
#include "formats/person_losses.h"
#include "formats/utf8_record.h"
#include "formats/loss_report.h"
#include "platform/text_file_writer.h"

namespace zt {

using namespace Qt::StringLiterals;

namespace {

// `line` keeps its room from line to line.
void writeLine(TextFileWriter& out, const QStringList& fields, std::string& line) {
    line.clear();
    for (const QString& field : fields) {
        if (&field != &fields.first()) {
            line += ',';
        }
        appendCsvField(line, field, u"\",\r\n");
    }
    line += "\r\n";
    out.writeBytes(line);
}

// Outlook's own column names; it finds each by its name, not by its place.
const char kHeader[] =
    "First Name,Middle Name,Last Name,Title,Suffix,Nickname,Given Yomi,Surname Yomi,E-mail Address,"
    "E-mail 2 Address,E-mail 3 Address,Home Phone,Home Phone 2,Business Phone,Business Phone 2,"
    "Mobile Phone,Other Phone,Pager,Business Fax,Home Fax,Company,Department,Job Title,Business Street,"
    "Business City,Business State,Business Postal Code,Business Country/Region,Home Street,Home City,"
    "Home State,Home Postal Code,Home Country/Region,Other Street,Other City,Other State,"
    "Other Postal Code,Other Country/Region,Web Page,Personal Web Page,Birthday,Notes,Categories";

// How many columns Outlook has for each kind of phone, in PhoneKind's order:
// work, home, mobile, business fax, home fax, pager, other.
const std::vector<int> kPhoneColumns{2, 2, 1, 1, 1, 1, 1};

// The columns of a kind of value, `columns[kind]` of them for each kind that
// `kindOf` tells, filled in card order and the rest left empty. A value that
// finds its kind's columns full goes to the report as the n-th of its `sort`.
template <class KindOf>
std::vector<QStringList> inColumns(const QList<TypedValue>& values, KindOf kindOf,
                                   const std::vector<int>& columns, const Person& p, const QString& sort,
                                   LossReport& losses) {
    std::vector<QStringList> byKind(columns.size());
    for (qsizetype i = 0; i < values.size(); ++i) {
        const auto kind = static_cast<std::size_t>(kindOf(values[i]));
        if (byKind[kind].size() < columns[kind]) {
            byKind[kind] << values[i].value;
        } else {
            losses.add(p.shownName, nthItem(sort, i), values[i].value);
        }
    }
    for (std::size_t kind = 0; kind < columns.size(); ++kind) {
        while (byKind[kind].size() < columns[kind]) {
            byKind[kind] << QString();
        }
    }
    return byKind;
}

// Street, City, State, Postal Code, Country/Region of an address, or empty.
QStringList place(const PostalAddress* a) {
    if (a == nullptr) {
        return {{}, {}, {}, {}, {}};
    }
    const QString street = a->street.isEmpty() || a->extended.isEmpty() ? a->street + a->extended
                                                                        : a->street + u"\r\n"_s + a->extended;
    return {street, a->locality, a->region, a->code, a->country};
}

// The first address of each kind, in PlaceKind's order; Outlook has columns
// for no other, nor for a PO box.
std::array<const PostalAddress*, 3> places(const Person& p, LossReport& losses) {
    std::array<const PostalAddress*, 3> first{};
    for (qsizetype i = 0; i < p.postalAddresses.size(); ++i) {
        const PostalAddress& a = p.postalAddresses[i];
        const PostalAddress*& slot = first[static_cast<std::size_t>(placeKind(a.types))];
        if (slot != nullptr) {
            losses.add(p.shownName, nthItem(u"住所"_s, i), postalText(a));
            continue;
        }
        slot = &a;
        if (!a.poBox.isEmpty()) {
            losses.add(p.shownName, u"私書箱"_s, a.poBox);
        }
    }
    return first;
}

}  // namespace

qsizetype writeOutlookCsv(Database& db, const QString& path) {
    TextFileWriter out(path);
    LossReport losses(QStringLiteral("Outlook 用 CSV 出力"), path);
    // Excel and classic Outlook take a file without it for the ANSI code page.
    out.writeBytes("\xEF\xBB\xBF");
    out.writeBytes(QByteArray(kHeader) + "\r\n");
    std::string line;
    forEachPerson(db, [&](const Person& p) {
        const auto emails = inColumns(
            p.emails, [](const TypedValue&) { return 0; }, {3}, p, u"メールアドレス"_s, losses)[0];
        const auto phones = inColumns(p.phones, phoneKind, kPhoneColumns, p, u"電話"_s, losses);
        const auto phone = [&phones](PhoneKind kind) { return phones[static_cast<std::size_t>(kind)]; };
        const auto addresses = places(p, losses);
        // A web page not marked HOME is work's.
        const auto pages = inColumns(
            p.webPages, [](const TypedValue& v) { return placeKind(v.types) == PlaceKind::Home; }, {1, 1}, p,
            u"ホームページ"_s, losses);
        reportUncarried(losses, p);
        const QString birthday = birthdayText(p.birthday, "%04d/%d/%d");
        // Outlook writes several categories so; within a group's name the
        // full-width form keeps it one category.
        QStringList categories;
        for (const QString& group : p.groups) {
            categories << QString(group).replace(u';', u'；');
        }
        QStringList fields{p.givenName, p.middleName, p.familyName,    p.prefix,
                           p.suffix,    p.nickname,   p.phoneticGiven, p.phoneticFamily};
        fields << emails << phone(PhoneKind::Home) << phone(PhoneKind::Work) << phone(PhoneKind::Mobile)
               << phone(PhoneKind::Other) << phone(PhoneKind::Pager) << phone(PhoneKind::WorkFax)
               << phone(PhoneKind::HomeFax) << p.company << p.department << p.title;
        for (const PostalAddress* a : addresses) {
            fields << place(a);
        }
        fields << pages[0] << pages[1] << birthday << QString(p.note).replace(u'\n', u"\r\n"_s)
               << categories.join(u';');
        writeLine(out, fields, line);
    });
    out.commit();
    return losses.finish();
}

}  // namespace zt
