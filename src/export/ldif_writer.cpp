#include "export/ldif_writer.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QStringList>
#include <algorithm>
#include <array>

#include "export/people.h"
#include "platform/loss_report.h"
#include "platform/text_file_writer.h"

namespace zt {

using namespace Qt::StringLiterals;

namespace {

// A value LDIF cannot hold as it stands goes in base 64: one with a character
// outside printable ASCII, or with a leading space, ":" or "<" or a trailing
// space, which a reader would take for syntax. An empty value is left out.
void addAttribute(QByteArray& record, const char* name, const QString& value) {
    if (value.isEmpty()) {
        return;
    }
    const bool plain =
        std::all_of(value.begin(), value.end(), [](QChar c) { return c >= u' ' && c <= u'~'; }) &&
        !value.startsWith(u' ') && !value.startsWith(u':') && !value.startsWith(u'<') &&
        !value.endsWith(u' ');
    record.append(name);
    if (plain) {
        record.append(": ").append(value.toLatin1());
    } else {
        record.append(":: ").append(value.toUtf8().toBase64());
    }
    record.append("\r\n");
}

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
        for (int n = 2; used_.contains(dn.toCaseFolded()); ++n) {
            dn = name + u" ("_s + QString::number(n) + u')' + tail;
        }
        used_.insert(dn.toCaseFolded());
        return dn;
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

QString firstPhone(const Person& p, PhoneKind kind) {
    for (const TypedValue& phone : p.phones) {
        if (phoneKind(phone) == kind) {
            return phone.value;
        }
    }
    return {};
}

// Thunderbird has a home page and a work page; any page not marked HOME is work's.
QString firstPage(const Person& p, bool home) {
    for (const TypedValue& page : p.webPages) {
        if ((placeKind(page.types) == PlaceKind::Home) == home) {
            return page.value;
        }
    }
    return {};
}

const PostalAddress* firstPlace(const Person& p, PlaceKind kind) {
    for (const PostalAddress& a : p.postalAddresses) {
        if (placeKind(a.types) == kind) {
            return &a;
        }
    }
    return nullptr;
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
        addAttribute(record, names[i], values[i]);
    }
}

}  // namespace

qsizetype writeLdif(Database& db, const QString& path) {
    TextFileWriter out(path);
    LossReport losses(QStringLiteral("Thunderbird 用 LDIF 出力"), path);
    DistinguishedNames dns;
    QStringList groups;  // in the order they first appear among the people
    QHash<QString, QStringList> members;
    forEachPerson(db, [&](const Person& p) {
        const QString mail = p.emails.isEmpty() ? QString() : p.emails[0].value;
        const QString dn = dns.add(p.shownName, mail);
        QByteArray record;
        record.reserve(2048);
        addAttribute(record, "dn", dn);
        record +=
            "objectclass: top\r\nobjectclass: person\r\nobjectclass: organizationalPerson\r\n"
            "objectclass: inetOrgPerson\r\nobjectclass: mozillaAbPersonAlpha\r\n";
        addAttribute(record, "cn", p.shownName);
        addAttribute(record, "givenName", p.givenName);
        addAttribute(record, "sn", p.familyName);
        addAttribute(record, "mozillaNickname", p.nickname);
        addAttribute(record, "mail", mail);
        addAttribute(record, "mozillaSecondEmail", p.emails.size() > 1 ? p.emails[1].value : QString());
        const auto phone = [&p](PhoneKind kind) { return firstPhone(p, kind); };
        addAttribute(record, "telephoneNumber", phone(PhoneKind::Work));
        addAttribute(record, "homePhone", phone(PhoneKind::Home));
        addAttribute(record, "mobile", phone(PhoneKind::Mobile));
        const QString workFax = phone(PhoneKind::WorkFax);
        addAttribute(record, "facsimileTelephoneNumber",
                     workFax.isEmpty() ? phone(PhoneKind::HomeFax) : workFax);
        addAttribute(record, "pager", phone(PhoneKind::Pager));
        addPlace(record, firstPlace(p, PlaceKind::Work),
                 {"street", "mozillaWorkStreet2", "l", "st", "postalCode", "c"});
        addPlace(record, firstPlace(p, PlaceKind::Home),
                 {"mozillaHomeStreet", "mozillaHomeStreet2", "mozillaHomeLocalityName", "mozillaHomeState",
                  "mozillaHomePostalCode", "mozillaHomeCountryName"});
        addAttribute(record, "o", p.company);
        addAttribute(record, "ou", p.department);
        addAttribute(record, "title", p.title);
        addAttribute(record, "mozillaWorkUrl", firstPage(p, false));
        addAttribute(record, "mozillaHomeUrl", firstPage(p, true));
        if (p.birthday.isValid()) {
            addAttribute(record, "birthyear", QString::number(p.birthday.year()));
            addAttribute(record, "birthmonth", QString::number(p.birthday.month()));
            addAttribute(record, "birthday", QString::number(p.birthday.day()));
        }
        addAttribute(record, "description", p.note);
        out.writeBytes(record + "\r\n");
        for (const QString& group : p.groups) {
            if (!members.contains(group)) {
                groups << group;
            }
            members[group] << dn;
        }
    });
    for (const QString& group : groups) {
        const QString name = listName(group);
        QByteArray record;
        addAttribute(record, "dn", dns.add(name, QString()));
        record += "objectclass: top\r\nobjectclass: groupOfNames\r\n";
        addAttribute(record, "cn", name);
        for (const QString& dn : members.value(group)) {
            addAttribute(record, "member", dn);
        }
        out.writeBytes(record + "\r\n");
    }
    out.commit();
    return losses.finish();
}

}  // namespace zt
