#include "export/vcard_writer.h"

#include <QByteArray>
#include <QStringList>
#include <algorithm>

#include "export/people.h"
#include "platform/text_file_writer.h"

namespace zt {

using namespace Qt::StringLiterals;

namespace {

// Backslash, comma and semicolon escaped; each line break (CR LF, LF or a
// lone CR) as "\n".
QString escaped(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            out += QStringLiteral("\\n");
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;
            }
        } else {
            if (c == u'\\' || c == u',' || c == u';') {
                out += u'\\';
            }
            out += c;
        }
    }
    return out;
}

// A logical line in UTF-8, folded where it would pass 75 octets (CR LF and a
// space before the octet that would pass them, never inside a character),
// then CR LF.
QByteArray folded(const QString& line) {
    const QByteArray octets = line.toUtf8();
    QByteArray out;
    qsizetype from = 0;
    qsizetype room = 75;
    while (octets.size() - from > room) {
        qsizetype cut = from + room;
        // A continuation octet: the character began earlier.
        while ((static_cast<unsigned char>(octets[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        out += octets.mid(from, cut - from) + "\r\n ";
        from = cut;
        room = 74;  // after the space
    }
    return out + octets.mid(from) + "\r\n";
}

// The card's own types, as far as they can stand in a TYPE list: names of
// letters, digits and hyphens.
QString typeList(const QStringList& types) {
    QStringList kept;
    for (const QString& type : types) {
        const bool token = !type.isEmpty() && std::all_of(type.begin(), type.end(), [](QChar c) {
            return (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-';
        });
        if (token && !kept.contains(type)) {
            kept << type;
        }
    }
    return kept.isEmpty() ? QString() : u";TYPE="_s + kept.join(u',');
}

QString joinedEscaped(const QStringList& parts) {
    QStringList out;
    for (const QString& part : parts) {
        out << escaped(part);
    }
    return out.join(u';');
}

}  // namespace

void writeVCard(Database& db, const QString& path) {
    const std::vector<Person> people = readPeople(db);
    TextFileWriter out(path);
    for (const Person& p : people) {
        QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
        card += folded(u"FN:"_s + escaped(p.shownName));
        card +=
            folded(u"N:"_s + joinedEscaped({p.familyName, p.givenName, p.middleName, p.prefix, p.suffix}));
        if (!p.phoneticFamily.isEmpty()) {
            card += folded(u"X-PHONETIC-LAST-NAME:"_s + escaped(p.phoneticFamily));
        }
        if (!p.phoneticGiven.isEmpty()) {
            card += folded(u"X-PHONETIC-FIRST-NAME:"_s + escaped(p.phoneticGiven));
        }
        if (!p.nickname.isEmpty()) {
            card += folded(u"NICKNAME:"_s + escaped(p.nickname));
        }
        for (const TypedValue& email : p.emails) {
            const bool first = &email == &p.emails.first();
            card += folded((first ? u"EMAIL;TYPE=INTERNET,PREF:"_s : u"EMAIL;TYPE=INTERNET:"_s) +
                           escaped(email.value));
        }
        for (const TypedValue& phone : p.phones) {
            card += folded(u"TEL"_s + typeList(phone.types) + u':' + escaped(phone.value));
        }
        for (const PostalAddress& a : p.postalAddresses) {
            card += folded(
                u"ADR"_s + typeList(a.types) + u':' +
                joinedEscaped({a.poBox, a.extended, a.street, a.locality, a.region, a.code, a.country}));
        }
        if (!p.company.isEmpty() || !p.department.isEmpty()) {
            const QString department = p.department.isEmpty() ? QString() : u';' + escaped(p.department);
            card += folded(u"ORG:"_s + escaped(p.company) + department);
        }
        if (!p.title.isEmpty()) {
            card += folded(u"TITLE:"_s + escaped(p.title));
        }
        // A URI is not text: a reader takes a backslash in it as part of it.
        for (const TypedValue& page : p.webPages) {
            card += folded(u"URL"_s + typeList(page.types) + u':' +
                           QString(page.value).remove(u'\r').remove(u'\n'));
        }
        if (p.birthday.isValid()) {
            card += folded(u"BDAY:"_s + p.birthday.toString(u"yyyy-MM-dd"));
        }
        if (!p.note.isEmpty()) {
            card += folded(u"NOTE:"_s + escaped(p.note));
        }
        if (!p.groups.isEmpty()) {
            QStringList categories;
            for (const QString& group : p.groups) {
                categories << escaped(group);
            }
            card += folded(u"CATEGORIES:"_s + categories.join(u','));
        }
        card += folded(u"UID:urn:uuid:"_s + p.uid.toString(QUuid::WithoutBraces));
        out.writeBytes(card + "END:VCARD\r\n");
    }
    out.commit();
}

}  // namespace zt
