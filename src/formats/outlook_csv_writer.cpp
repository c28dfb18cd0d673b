#include "formats/outlook_csv_writer.h"

#include <QStringList>
#include <array>
#include <vector>

#include "card/person.h"
#include "formats/csv_writer.h"
#include "formats/loss_report.h"
#include "formats/person_losses.h"
#include "platform/text_file_writer.h"

namespace zt {

using namespace Qt::StringLiterals;

namespace {

// Outlook's own column names; it finds each by its name, not by its place.
const char kHeader[] =
    "First Name,Middle Name,Last Name,Title,Suffix,Nickname,Given Yomi,Surname Yomi,E-mail Address,"
    "E-mail 2 Address,E-mail 3 Address,Home Phone,Home Phone 2,Business Phone,Business Phone 2,"
    "Mobile Phone,Other Phone,Pager,Business Fax,Home Fax,Company,Department,Job Title,Business Street,"
    "Business City,Business State,Business Postal Code,Business Country/Region,Home Street,Home City,"
    "Home State,Home Postal Code,Home Country/Region,Other Street,Other City,Other State,"
    "Other Postal Code,Other Country/Region,Web Page,Personal Web Page,Birthday,Notes,Categories";

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

void addNames(QStringList& fields, const Person& p) {
    fields << p.givenName << p.middleName << p.familyName << p.prefix << p.suffix << p.nickname
           << p.phoneticGiven << p.phoneticFamily;
}

void addEmails(QStringList& fields, const Person& p, LossReport& losses) {
    fields << inColumns(
        p.emails, [](const TypedValue&) { return 0; }, {3}, p, u"メールアドレス"_s, losses)[0];
}

void addPhones(QStringList& fields, const Person& p, LossReport& losses) {
    // How many columns Outlook has for each kind, in PhoneKind's order: work,
    // home, mobile, business fax, home fax, pager, other.
    const auto phones = inColumns(p.phones, phoneKind, {2, 2, 1, 1, 1, 1, 1}, p, u"電話"_s, losses);
    for (const PhoneKind kind : {PhoneKind::Home, PhoneKind::Work, PhoneKind::Mobile, PhoneKind::Other,
                                 PhoneKind::Pager, PhoneKind::WorkFax, PhoneKind::HomeFax}) {
        fields << phones[static_cast<std::size_t>(kind)];
    }
}

void addOrganization(QStringList& fields, const Person& p) {
    fields << p.company << p.department << p.title;
}

// Street, City, State, Postal Code, Country/Region of the first address of
// each kind, in PlaceKind's order; Outlook has columns for no other, nor for
// a PO box.
void addPostalAddresses(QStringList& fields, const Person& p, LossReport& losses) {
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
    for (const PostalAddress* a : first) {
        if (a == nullptr) {
            fields << QString() << QString() << QString() << QString() << QString();
            continue;
        }
        const QString street = a->street.isEmpty() || a->extended.isEmpty()
                                   ? a->street + a->extended
                                   : a->street + u"\r\n"_s + a->extended;
        fields << street << a->locality << a->region << a->code << a->country;
    }
}

// Web pages, birthday, notes and categories.
void addOthers(QStringList& fields, const Person& p, LossReport& losses) {
    // A web page not marked HOME is work's.
    const auto pages = inColumns(
        p.webPages, [](const TypedValue& v) { return placeKind(v.types) == PlaceKind::Home; }, {1, 1}, p,
        u"ホームページ"_s, losses);
    fields << pages[0] << pages[1];
    fields << (p.birthday.isValid() ? p.birthday.toString(u"yyyy/M/d") : QString());
    fields << QString(p.note).replace(u'\n', u"\r\n"_s);
    // Outlook writes several categories so; within a group's name the
    // full-width form keeps it one category.
    QStringList categories;
    for (const QString& group : p.groups) {
        categories << QString(group).replace(u';', u'；');
    }
    fields << categories.join(u';');
}

// A person's row, and what it has no column for in `losses`.
QStringList personRow(const Person& p, LossReport& losses) {
    QStringList fields;
    addNames(fields, p);
    addEmails(fields, p, losses);
    addPhones(fields, p, losses);
    addOrganization(fields, p);
    addPostalAddresses(fields, p, losses);
    addOthers(fields, p, losses);
    reportUncarried(losses, p);
    return fields;
}

}  // namespace

// Which value finds its columns full is decided while the row is filled, so
// the row is made and thrown away.
void reportOutlookLosses(const Person& p, LossReport& losses) {
    personRow(p, losses);
}

qsizetype writeOutlookCsv(const PersonSource& people, const OutputTarget& target) {
    TextFileWriter out(target.path);
    LossReport losses(target);
    // Excel and classic Outlook take a file without it for the ANSI code page.
    out.writeBytes("\xEF\xBB\xBF");
    out.writeBytes(QByteArray(kHeader) + "\r\n");
    people(
        [&](const Person& p) { out.writeBytes((rfc4180Fields(personRow(p, losses)) + u"\r\n"_s).toUtf8()); });
    return losses.finish(out);
}

}  // namespace zt
