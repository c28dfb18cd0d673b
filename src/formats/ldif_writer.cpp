#include "formats/ldif_writer.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QStringList>
#include <algorithm>
#include <array>
#include <string>

#include "card/people.h"
#include "formats/person_losses.h"
#include "formats/utf8_record.h"
#include "formats/loss_report.h"
#include "platform/text_file_writer.h"

namespace zt {

using namespace Qt::StringLiterals;

namespace {

// A record's bytes. Its buffers keep their room from record to record.
class Record {
public:
    void clear() { bytes_.clear(); }
    void append(const char* text) { bytes_ += text; }
    QByteArrayView bytes() const { return bytes_; }

    // A value LDIF cannot hold as it stands goes in base 64: one with a
    // character outside printable ASCII, or with a leading space, ":" or "<"
    // or a trailing space, which a reader would take for syntax. An empty
    // value is left out.
    void add(const char* name, QStringView value) {
        if (value.isEmpty()) {
            return;
        }
        const bool plain =
            std::all_of(value.begin(), value.end(), [](QChar c) { return c >= u' ' && c <= u'~'; }) &&
            !value.startsWith(u' ') && !value.startsWith(u':') && !value.startsWith(u'<') &&
            !value.endsWith(u' ');
        bytes_ += name;
        if (plain) {
            bytes_ += ": ";
            for (const QChar c : value) {
                bytes_ += char(c.unicode());
            }
        } else {
            bytes_ += ":: ";
            utf8_.clear();
            appendUtf8(utf8_, value);
            appendBase64(bytes_, utf8_);
        }
        bytes_ += "\r\n";
    }

private:
    std::string bytes_;
    std::string utf8_;
};

// A value within a dn's cn=, as RFC 4514 escapes it.
QString rdnValue(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == u'\0') {
            out += u"\\00";
            continue;
        }
        if (c == u',' || c == u'+' || c == u'"' || c == u'\\' || c == u'<' || c == u'>' || c == u';' ||
            (i == 0 && (c == u' ' || c == u'#')) || (i == value.size() - 1 && c == u' ')) {
            out += u'\\';
        }
        out += c;
    }
    return out;
}

// Every dn of the file is told apart from the others (as a directory would:
// without regard to case) by a number after the name where two would meet.
// Thunderbird finds a list's member by the text after "mail=", so that stays
// the last part and holds the address exactly as it is.
class DistinguishedNames {
public:
    QString add(const QString& cn, const QString& mail) {
        const QString tail = mail.isEmpty() ? QString() : u",mail="_s + mail;
        const QString name = u"cn="_s + rdnValue(cn);
        QString dn = name + tail;
        for (int n = 2;; ++n) {
            if (QString key = dn.toCaseFolded(); !used_.contains(key)) {
                used_.insert(std::move(key));
                return dn;
            }
            dn = name + u" ("_s + QString::number(n) + u')' + tail;
        }
    }

private:
    QSet<QString> used_;
};

// Thunderbird refuses a mailing list whose name holds any of , ; " < > and,
// once one is refused, makes none of the lists after it. Their full-width
// forms keep the name as readable.
QString listName(QString group) {
    for (const QChar c : QStringView(u",;\"<>")) {
        group.replace(c, QChar(c.unicode() + 0xFEE0));
    }
    return group;
}

// The first of `values` of each kind that `kindOf` tells, by the kind's
// number; null for a kind the person has none of. Room for seven kinds, as
// many as phones have.
template <class T, class KindOf>
std::array<const T*, 7> firstOfEach(const QList<T>& values, KindOf kindOf) {
    std::array<const T*, 7> first{};
    for (const T& value : values) {
        const T*& slot = first[static_cast<std::size_t>(kindOf(value))];
        if (slot == nullptr) {
            slot = &value;
        }
    }
    return first;
}

// Each of `values` that is not among those the record `holds` goes to the
// report as the n-th of its `sort`.
template <class T, class Text>
void reportUnheld(const QList<T>& values, std::initializer_list<const T*> holds, Text text, const Person& p,
                  const QString& sort, LossReport& losses) {
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (std::find(holds.begin(), holds.end(), &values[i]) == holds.end()) {
            losses.add(p.shownName, nthItem(sort, i), text(values[i]));
        }
    }
}

QString valueOf(const TypedValue& v) {
    return v.value;
}

QString valueOrEmpty(const TypedValue* v) {
    return v == nullptr ? QString() : v->value;
}

// Thunderbird has no attribute for a reading, a middle name, a prefix or a
// suffix.
void reportNameParts(const Person& p, LossReport& losses) {
    const QString reading = p.phoneticFamily.isEmpty() || p.phoneticGiven.isEmpty()
                                ? p.phoneticFamily + p.phoneticGiven
                                : p.phoneticFamily + u' ' + p.phoneticGiven;
    const std::pair<QString, QString> parts[] = {{u"ふりがな"_s, reading},
                                                 {u"ミドルネーム"_s, p.middleName},
                                                 {u"敬称"_s, p.prefix},
                                                 {u"サフィックス"_s, p.suffix}};
    for (const auto& [field, value] : parts) {
        if (!value.isEmpty()) {
            losses.add(p.shownName, field, value);
        }
    }
}

// names: street, second line, locality, region, code, country.
void addPlace(Record& record, const PostalAddress* a, const std::array<const char*, 6>& names) {
    if (a == nullptr) {
        return;
    }
    const QString second =
        a->poBox.isEmpty() || a->extended.isEmpty() ? a->poBox + a->extended : a->poBox + u' ' + a->extended;
    const QString values[] = {a->street, second, a->locality, a->region, a->code, a->country};
    for (std::size_t i = 0; i < names.size(); ++i) {
        record.add(names[i], values[i]);
    }
}

}  // namespace

qsizetype writeLdif(Database& db, const QString& path) {
    TextFileWriter out(path);
    LossReport losses(QStringLiteral("Thunderbird 用 LDIF 出力"), path);
    DistinguishedNames dns;
    QStringList groups;  // in the order they first appear among the people
    QHash<QString, QStringList> members;
    Record record;
    forEachPerson(db, [&](const Person& p) {
        const QString mail = p.emails.isEmpty() ? QString() : p.emails[0].value;
        const QString dn = dns.add(p.shownName, mail);
        record.clear();
        record.add("dn", dn);
        record.append(
            "objectclass: top\r\nobjectclass: person\r\nobjectclass: organizationalPerson\r\n"
            "objectclass: inetOrgPerson\r\nobjectclass: mozillaAbPersonAlpha\r\n");
        record.add("cn", p.shownName);
        record.add("givenName", p.givenName);
        record.add("sn", p.familyName);
        record.add("mozillaNickname", p.nickname);
        record.add("mail", mail);
        record.add("mozillaSecondEmail", p.emails.size() > 1 ? p.emails[1].value : QString());
        const auto phones = firstOfEach(p.phones, phoneKind);
        const auto phone = [&phones](PhoneKind kind) { return phones[static_cast<std::size_t>(kind)]; };
        const TypedValue* fax =
            phone(PhoneKind::WorkFax) ? phone(PhoneKind::WorkFax) : phone(PhoneKind::HomeFax);
        record.add("telephoneNumber", valueOrEmpty(phone(PhoneKind::Work)));
        record.add("homePhone", valueOrEmpty(phone(PhoneKind::Home)));
        record.add("mobile", valueOrEmpty(phone(PhoneKind::Mobile)));
        record.add("facsimileTelephoneNumber", valueOrEmpty(fax));
        record.add("pager", valueOrEmpty(phone(PhoneKind::Pager)));
        const auto places =
            firstOfEach(p.postalAddresses, [](const PostalAddress& a) { return placeKind(a.types); });
        const PostalAddress* work = places[static_cast<std::size_t>(PlaceKind::Work)];
        const PostalAddress* home = places[static_cast<std::size_t>(PlaceKind::Home)];
        addPlace(record, work, {"street", "mozillaWorkStreet2", "l", "st", "postalCode", "c"});
        addPlace(record, home,
                 {"mozillaHomeStreet", "mozillaHomeStreet2", "mozillaHomeLocalityName", "mozillaHomeState",
                  "mozillaHomePostalCode", "mozillaHomeCountryName"});
        record.add("o", p.company);
        record.add("ou", p.department);
        record.add("title", p.title);
        // Thunderbird has a home page and a work page; any page not marked HOME is work's.
        const auto pages = firstOfEach(
            p.webPages, [](const TypedValue& v) { return placeKind(v.types) == PlaceKind::Home; });
        record.add("mozillaWorkUrl", valueOrEmpty(pages[0]));
        record.add("mozillaHomeUrl", valueOrEmpty(pages[1]));
        if (p.birthday.isValid()) {
            record.add("birthyear", QString::number(p.birthday.year()));
            record.add("birthmonth", QString::number(p.birthday.month()));
            record.add("birthday", QString::number(p.birthday.day()));
        }
        record.add("description", p.note);
        reportNameParts(p, losses);
        for (qsizetype i = 2; i < p.emails.size(); ++i) {
            losses.add(p.shownName, nthItem(u"メールアドレス"_s, i), p.emails[i].value);
        }
        reportUnheld(p.phones,
                     {phone(PhoneKind::Work), phone(PhoneKind::Home), phone(PhoneKind::Mobile), fax,
                      phone(PhoneKind::Pager)},
                     valueOf, p, u"電話"_s, losses);
        reportUnheld(p.postalAddresses, {work, home}, postalText, p, u"住所"_s, losses);
        reportUnheld(p.webPages, {pages[0], pages[1]}, valueOf, p, u"ホームページ"_s, losses);
        reportUncarried(losses, p);
        record.append("\r\n");
        out.writeBytes(record.bytes());
        for (const QString& group : p.groups) {
            if (!members.contains(group)) {
                groups << group;
            }
            members[group] << dn;
        }
    });
    for (const QString& group : groups) {
        const QString name = listName(group);
        record.clear();
        record.add("dn", dns.add(name, QString()));
        record.append("objectclass: top\r\nobjectclass: groupOfNames\r\n");
        record.add("cn", name);
        for (const QString& dn : members.value(group)) {
            record.add("member", dn);
        }
        record.append("\r\n");
        out.writeBytes(record.bytes());
    }
    out.commit();
    return losses.finish();
}

}  // namespace zt
