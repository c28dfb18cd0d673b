#include "export/vcard_writer.h"

#include <QByteArray>
#include <QStringList>
#include <algorithm>
#include <initializer_list>

#include "export/people.h"
#include "export/person_losses.h"
#include "platform/loss_report.h"
#include "platform/text_file_writer.h"

namespace zt {

using namespace Qt::StringLiterals;

namespace {

bool needsEscape(QChar c) {
    return c == u'\\' || c == u',' || c == u';' || c == u'\r' || c == u'\n';
}

// Backslash, comma and semicolon escaped; each line break (CR LF, LF or a
// lone CR) as "\n". Most values need nothing and are not copied.
QString escaped(const QString& text) {
    if (std::none_of(text.begin(), text.end(), needsEscape)) {
        return text;
    }
    QString out;
    out.reserve(text.size() + 8);
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

// Appends a logical line, `head` (name and parameters), ':' and `value` in
// UTF-8, folded where it would pass 75 octets (CR LF and a space before the
// octet that would pass them, never inside a character), then CR LF.
void addLine(QByteArray& card, QByteArrayView head, QStringView value) {
    QByteArray octets;
    octets.reserve(head.size() + 1 + value.size() * 3);
    octets.append(head).append(':').append(value.toUtf8());
    qsizetype from = 0;
    qsizetype room = 75;
    while (octets.size() - from > room) {
        qsizetype cut = from + room;
        // A continuation octet: the character began earlier.
        while ((static_cast<unsigned char>(octets[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        card.append(octets.constData() + from, cut - from).append("\r\n ");
        from = cut;
        room = 74;  // after the space
    }
    card.append(octets.constData() + from, octets.size() - from).append("\r\n");
}

// `name` with the card's own types, as far as they can stand in a TYPE list:
// names of letters, digits and hyphens.
QByteArray typed(const char* name, const QStringList& types) {
    QByteArray head(name);
    for (const QString& type : types) {
        if (!type.isEmpty() && std::all_of(type.begin(), type.end(), [](QChar c) {
                return (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-';
            })) {
            head.append(head.contains(';') ? "," : ";TYPE=").append(type.toLatin1());
        }
    }
    return head;
}

QString joinedEscaped(std::initializer_list<QString> parts) {
    QString out;
    for (const QString& part : parts) {
        if (&part != parts.begin()) {
            out += u';';
        }
        out += escaped(part);
    }
    return out;
}

}  // namespace

qsizetype writeVCard(Database& db, const QString& path) {
    TextFileWriter out(path);
    LossReport losses(QStringLiteral("vCard 出力"), path);
    forEachPerson(db, [&](const Person& p) {
        QByteArray card;
        card.reserve(2048);
        card.append("BEGIN:VCARD\r\nVERSION:3.0\r\n");
        addLine(card, "FN", escaped(p.shownName));
        addLine(card, "N", joinedEscaped({p.familyName, p.givenName, p.middleName, p.prefix, p.suffix}));
        if (!p.phoneticFamily.isEmpty()) {
            addLine(card, "X-PHONETIC-LAST-NAME", escaped(p.phoneticFamily));
        }
        if (!p.phoneticGiven.isEmpty()) {
            addLine(card, "X-PHONETIC-FIRST-NAME", escaped(p.phoneticGiven));
        }
        if (!p.nickname.isEmpty()) {
            addLine(card, "NICKNAME", escaped(p.nickname));
        }
        for (const TypedValue& email : p.emails) {
            const bool first = &email == &p.emails.first();
            addLine(card, first ? "EMAIL;TYPE=INTERNET,PREF" : "EMAIL;TYPE=INTERNET", escaped(email.value));
        }
        for (const TypedValue& phone : p.phones) {
            addLine(card, typed("TEL", phone.types), escaped(phone.value));
        }
        for (const PostalAddress& a : p.postalAddresses) {
            addLine(card, typed("ADR", a.types),
                    joinedEscaped({a.poBox, a.extended, a.street, a.locality, a.region, a.code, a.country}));
        }
        if (!p.company.isEmpty() || !p.department.isEmpty()) {
            addLine(card, "ORG",
                    p.department.isEmpty() ? escaped(p.company) : joinedEscaped({p.company, p.department}));
        }
        if (!p.title.isEmpty()) {
            addLine(card, "TITLE", escaped(p.title));
        }
        // A URI is not text: a reader takes a backslash in it as part of it.
        for (const TypedValue& page : p.webPages) {
            addLine(card, typed("URL", page.types), QString(page.value).remove(u'\r').remove(u'\n'));
        }
        if (p.birthday.isValid()) {
            addLine(card, "BDAY", p.birthday.toString(u"yyyy-MM-dd"));
        }
        if (!p.note.isEmpty()) {
            addLine(card, "NOTE", escaped(p.note));
        }
        if (!p.groups.isEmpty()) {
            QStringList categories;
            for (const QString& group : p.groups) {
                categories << escaped(group);
            }
            addLine(card, "CATEGORIES", categories.join(u','));
        }
        addLine(card, "UID", u"urn:uuid:"_s + p.uid.toString(QUuid::WithoutBraces));
        out.writeBytes(card.append("END:VCARD\r\n"));
        reportUncarried(losses, p);
    });
    out.commit();
    return losses.finish();
}

}  // namespace zt
