#include "formats/ldif_writer.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QStringList>
#include <algorithm>
#include <array>

#include "card/person.h"
#include "formats/control_characters.h"
#include "formats/loss_report.h"
#include "formats/person_losses.h"
#include "platform/text_file_writer.h"

namespace zt {

using namespace Qt::StringLiterals;

namespace {

// A value LDIF cannot hold as it stands goes in base 64: one with a
// character outside printable ASCII, or with a leading space, ":" or "<" or a
// trailing space, which a reader would take for syntax. Its stray controls are
// left out (reportStrayControls names them), and a value they were all of with
// it.
void add(QByteArray& record, const char* name, const QString& text) {
    const QString value = withoutStrayControls(text);
    if (value.isEmpty()) {
        return;
    }
    const bool plain =
        std::all_of(value.begin(), value.end(), [](QChar c) { return c >= u' ' && c <= u'~'; }) &&
        !value.startsWith(u' ') && !value.startsWith(u':') && !value.startsWith(u'<') &&
        !value.endsWith(u' ');
    record += name;
    if (plain) {
        record += ": ";
        record += value.toLatin1();
    } else {
        record += ":: ";
        record += value.toUtf8().toBase64();
    }
    record += "\r\n";
}

// A value within a dn, as RFC 4514 escapes it.
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
class DistinguishedNames {
public:
    QString add(const QString& cn, const QString& mail) {
        const QString address = withoutStrayControls(mail);
        const QString escaped = rdnValue(address);
        const QString tail = mail.isEmpty() ? QString() : u",mail="_s + escaped;
        const QString name = u"cn="_s + rdnValue(withoutStrayControls(cn));
        // Each number up to the last one a name was given is taken, so the
        // search goes on from there: a thousand people of one name cost a
        // thousand look-ups, not half a million. The set still decides, as a
        // name may hold a number of its own ("Ann (3)").
        int& last = lastNumber_[(name + tail).toCaseFolded()];
        for (int n = last + 1;; ++n) {
            const QString numbered = n == 1 ? name : name + u" ("_s + QString::number(n) + u')';
            QString dn = numbered + tail;
            if (QString key = dn.toCaseFolded(); !used_.contains(key)) {
                used_.insert(std::move(key));
                last = n;
                if (escaped != address) {
                    members_.insert(dn, numbered + u",mail="_s + address);
                }
                return dn;
            }
        }
    }

    // How a list names the person of `dn`. Thunderbird takes all that follows
    // the first "mail=" of a member for the address of the card it adds to
    // the list, escapes and all, so a member keeps the address as it is
    // (the dn stays the last part for it) where escaping would change it
    // (taro+news@example.com): the list keeps its member in Thunderbird, at
    // the cost of a member a strict reader may refuse.
    QString member(const QString& dn) const { return members_.value(dn, dn); }

private:
    QSet<QString> used_;
    QHash<QString, int> lastNumber_;   // by the case-folded dn without its number; 1 for the bare one
    QHash<QString, QString> members_;  // by dn, where the member differs from it
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
void addNames(QByteArray& record, const Person& p, LossReport& losses) {
    add(record, "cn", p.shownName);
    add(record, "givenName", p.givenName);
    add(record, "sn", p.familyName);
    add(record, "mozillaNickname", p.nickname);
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

// Thunderbird has room for two addresses.
void addEmails(QByteArray& record, const Person& p, LossReport& losses) {
    for (qsizetype i = 0; i < p.emails.size(); ++i) {
        if (i < 2) {
            add(record, i == 0 ? "mail" : "mozillaSecondEmail", p.emails[i].value);
        } else {
            losses.add(p.shownName, nthItem(u"メールアドレス"_s, i), p.emails[i].value);
        }
    }
}

// The first phone of each kind Thunderbird has an attribute for; a home fax
// only where there is no work fax. A phone of no kind it names takes the work
// number where that is free, else the home one.
void addPhones(QByteArray& record, const Person& p, LossReport& losses) {
    const auto phones = firstOfEach(p.phones, phoneKind);
    const auto phone = [&phones](PhoneKind kind) { return phones[static_cast<std::size_t>(kind)]; };
    const TypedValue* fax = phone(PhoneKind::WorkFax) ? phone(PhoneKind::WorkFax) : phone(PhoneKind::HomeFax);
    const TypedValue* work = phone(PhoneKind::Work);
    const TypedValue* home = phone(PhoneKind::Home);
    for (const TypedValue& other : p.phones) {
        if (phoneKind(other) != PhoneKind::Other) {
            continue;
        }
        if (work == nullptr) {
            work = &other;
        } else if (home == nullptr) {
            home = &other;
        }
    }
    add(record, "telephoneNumber", valueOrEmpty(work));
    add(record, "homePhone", valueOrEmpty(home));
    add(record, "mobile", valueOrEmpty(phone(PhoneKind::Mobile)));
    add(record, "facsimileTelephoneNumber", valueOrEmpty(fax));
    add(record, "pager", valueOrEmpty(phone(PhoneKind::Pager)));
    reportUnheld(p.phones, {work, home, phone(PhoneKind::Mobile), fax, phone(PhoneKind::Pager)}, valueOf, p,
                 u"電話"_s, losses);
}

// names: street, second line, locality, region, code, country.
void addPlace(QByteArray& record, const PostalAddress* a, const std::array<const char*, 6>& names) {
    if (a == nullptr) {
        return;
    }
    const QString second =
        a->poBox.isEmpty() || a->extended.isEmpty() ? a->poBox + a->extended : a->poBox + u' ' + a->extended;
    const QString values[] = {a->street, second, a->locality, a->region, a->code, a->country};
    for (std::size_t i = 0; i < names.size(); ++i) {
        add(record, names[i], values[i]);
    }
}

// The first work and the first home address.
void addPostalAddresses(QByteArray& record, const Person& p, LossReport& losses) {
    const auto places =
        firstOfEach(p.postalAddresses, [](const PostalAddress& a) { return placeKind(a.types); });
    const PostalAddress* work = places[static_cast<std::size_t>(PlaceKind::Work)];
    const PostalAddress* home = places[static_cast<std::size_t>(PlaceKind::Home)];
    addPlace(record, work, {"street", "mozillaWorkStreet2", "l", "st", "postalCode", "c"});
    addPlace(record, home,
             {"mozillaHomeStreet", "mozillaHomeStreet2", "mozillaHomeLocalityName", "mozillaHomeState",
              "mozillaHomePostalCode", "mozillaHomeCountryName"});
    reportUnheld(p.postalAddresses, {work, home}, postalText, p, u"住所"_s, losses);
}

void addOrganization(QByteArray& record, const Person& p) {
    add(record, "o", p.company);
    add(record, "ou", p.department);
    add(record, "title", p.title);
}

// Web pages, birthday and note.
void addOthers(QByteArray& record, const Person& p, LossReport& losses) {
    // Thunderbird has a home page and a work page; any page not marked HOME is work's.
    const auto pages =
        firstOfEach(p.webPages, [](const TypedValue& v) { return placeKind(v.types) == PlaceKind::Home; });
    add(record, "mozillaWorkUrl", valueOrEmpty(pages[0]));
    add(record, "mozillaHomeUrl", valueOrEmpty(pages[1]));
    if (p.birthday.isValid()) {
        add(record, "birthyear", QString::number(p.birthday.year()));
        add(record, "birthmonth", QString::number(p.birthday.month()));
        add(record, "birthday", QString::number(p.birthday.day()));
    }
    add(record, "description", p.note);
    reportUnheld(p.webPages, {pages[0], pages[1]}, valueOf, p, u"ホームページ"_s, losses);
}

// A person's record, and in `losses` what it has no attribute for and what
// the card holds that no output carries.
QByteArray personRecord(const Person& p, const QString& dn, LossReport& losses) {
    QByteArray record;
    record.reserve(2048);  // a full card's record, grown once rather than step by step
    add(record, "dn", dn);
    record +=
        "objectclass: top\r\nobjectclass: person\r\nobjectclass: organizationalPerson\r\n"
        "objectclass: inetOrgPerson\r\nobjectclass: mozillaAbPersonAlpha\r\n";
    addNames(record, p, losses);
    addEmails(record, p, losses);
    addPhones(record, p, losses);
    addPostalAddresses(record, p, losses);
    addOrganization(record, p);
    addOthers(record, p, losses);
    reportUncarried(losses, p);
    record += "\r\n";
    return record;
}

QByteArray listRecord(const QString& dn, const QString& name, const QStringList& members,
                      const DistinguishedNames& dns) {
    QByteArray record;
    add(record, "dn", dn);
    record += "objectclass: top\r\nobjectclass: groupOfNames\r\n";
    add(record, "cn", name);
    for (const QString& member : members) {
        add(record, "member", dns.member(member));
    }
    record += "\r\n";
    return record;
}

}  // namespace

// What a record has no attribute for does not depend on its dn.
void reportLdifLosses(const Person& p, LossReport& losses) {
    personRecord(p, QString(), losses);
}

qsizetype writeLdif(const PersonSource& people, const OutputTarget& target) {
    TextFileWriter out(target.path);
    LossReport losses(target);
    DistinguishedNames dns;
    QStringList groups;  // in the order they first appear among the people
    QHash<QString, QStringList> members;
    people([&](const Person& p) {
        const QString dn = dns.add(p.shownName, p.emails.isEmpty() ? QString() : p.emails[0].value);
        out.writeBytes(personRecord(p, dn, losses));
        for (const QString& group : p.groups) {
            if (!members.contains(group)) {
                groups << group;
            }
            members[group] << dn;
        }
    });
    for (const QString& group : groups) {
        const QString name = listName(group);
        out.writeBytes(listRecord(dns.add(name, QString()), name, members.value(group), dns));
    }
    return losses.finish(out);
}

}  // namespace zt
