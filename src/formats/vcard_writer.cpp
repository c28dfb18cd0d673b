#include "formats/vcard_writer.h"

#include <QByteArray>
#include <QStringList>
#include <algorithm>
#include <initializer_list>

#include "card/people.h"
#include "formats/loss_report.h"
#include "formats/person_losses.h"
#include "platform/text_file_writer.h"

namespace zt {

using namespace Qt::StringLiterals;

namespace {

// `text` with backslash, comma and semicolon escaped and each line break
// (CR LF, LF or a lone CR) as "\n".
QString escaped(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            out += u"\\n";
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;
            }
            continue;
        }
        if (c == u'\\' || c == u',' || c == u';') {
            out += u'\\';
        }
        out += c;
    }
    return out;
}

// `parts`, each escaped, joined by ';'.
QString joined(std::initializer_list<QStringView> parts) {
    QStringList out;
    for (const QStringView part : parts) {
        out << escaped(part);
    }
    return out.join(u';');
}

// `name` with the card's own types, as far as they can stand in a TYPE list
// (names of letters, digits and hyphens).
QString typed(const QString& name, const QStringList& types) {
    QStringList kept;
    for (const QString& type : types) {
        if (!type.isEmpty() && std::all_of(type.begin(), type.end(), [](QChar c) {
                return (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-';
            })) {
            kept << type;
        }
    }
    return kept.isEmpty() ? name : name + u";TYPE="_s + kept.join(u',');
}

// One content line in UTF-8, folded where it would pass 75 octets (CR LF and
// a space before the octet that would pass them, never inside a character),
// then CR LF. `value` is written as it stands.
void addLine(QByteArray& card, const QString& head, const QString& value) {
    const QByteArray line = (head + u':' + value).toUtf8();
    qsizetype from = 0;
    qsizetype room = 75;
    while (line.size() - from > room) {
        qsizetype cut = from + room;
        // A continuation octet: the character began earlier.
        while ((static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        card += line.sliced(from, cut - from);
        card += "\r\n ";
        from = cut;
        room = 74;  // after the space
    }
    card += line.sliced(from);
    card += "\r\n";
}

void addNames(QByteArray& card, const Person& p) {
    addLine(card, u"FN"_s, escaped(p.shownName));
    addLine(card, u"N"_s, joined({p.familyName, p.givenName, p.middleName, p.prefix, p.suffix}));
    if (!p.phoneticFamily.isEmpty()) {
        addLine(card, u"X-PHONETIC-LAST-NAME"_s, escaped(p.phoneticFamily));
    }
    if (!p.phoneticGiven.isEmpty()) {
        addLine(card, u"X-PHONETIC-FIRST-NAME"_s, escaped(p.phoneticGiven));
    }
    if (!p.nickname.isEmpty()) {
        addLine(card, u"NICKNAME"_s, escaped(p.nickname));
    }
}

// The first address is the person's own, アドレス.
void addEmails(QByteArray& card, const Person& p) {
    for (qsizetype i = 0; i < p.emails.size(); ++i) {
        addLine(card, i == 0 ? u"EMAIL;TYPE=INTERNET,PREF"_s : u"EMAIL;TYPE=INTERNET"_s,
                escaped(p.emails[i].value));
    }
}

void addPhones(QByteArray& card, const Person& p) {
    for (const TypedValue& phone : p.phones) {
        addLine(card, typed(u"TEL"_s, phone.types), escaped(phone.value));
    }
}

void addPostalAddresses(QByteArray& card, const Person& p) {
    for (const PostalAddress& a : p.postalAddresses) {
        addLine(card, typed(u"ADR"_s, a.types),
                joined({a.poBox, a.extended, a.street, a.locality, a.region, a.code, a.country}));
    }
}

void addOrganization(QByteArray& card, const Person& p) {
    if (!p.department.isEmpty()) {
        addLine(card, u"ORG"_s, joined({p.company, p.department}));
    } else if (!p.company.isEmpty()) {
        addLine(card, u"ORG"_s, escaped(p.company));
    }
    if (!p.title.isEmpty()) {
        addLine(card, u"TITLE"_s, escaped(p.title));
    }
}

// A URI is not text: a reader takes a backslash in it as part of it. Its line
// breaks, which no URI holds, are dropped so that it stays one line.
void addWebPages(QByteArray& card, const Person& p) {
    for (const TypedValue& page : p.webPages) {
        addLine(card, typed(u"URL"_s, page.types), QString(page.value).remove(u'\r').remove(u'\n'));
    }
}

void addOthers(QByteArray& card, const Person& p) {
    if (p.birthday.isValid()) {
        addLine(card, u"BDAY"_s, p.birthday.toString(Qt::ISODate));
    }
    if (!p.note.isEmpty()) {
        addLine(card, u"NOTE"_s, escaped(p.note));
    }
    if (!p.groups.isEmpty()) {
        QStringList groups;
        for (const QString& group : p.groups) {
            groups << escaped(group);
        }
        addLine(card, u"CATEGORIES"_s, groups.join(u','));
    }
    addLine(card, u"UID"_s, u"urn:uuid:"_s + p.uid.toString(QUuid::WithoutBraces));
}

}  // namespace

qsizetype writeVCard(Database& db, const QString& path) {
    TextFileWriter out(path);
    LossReport losses(QStringLiteral("vCard 出力"), path);
    forEachPerson(db, [&](const Person& p) {
        QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
        addNames(card, p);
        addEmails(card, p);
        addPhones(card, p);
        addPostalAddresses(card, p);
        addOrganization(card, p);
        addWebPages(card, p);
        addOthers(card, p);
        card += "END:VCARD\r\n";
        out.writeBytes(card);
        reportUncarried(losses, p);
    });
    out.commit();
    return losses.finish();
}

}  // namespace zt
