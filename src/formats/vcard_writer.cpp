#include "formats/vcard_writer.h"

#include <QStringList>
#include <algorithm>
#include <initializer_list>

#include "card/person.h"
#include "formats/control_characters.h"
#include "formats/loss_report.h"
#include "formats/person_losses.h"
#include "platform/text_file_writer.h"

namespace zt {

using namespace Qt::StringLiterals;

namespace {

// `text` with backslash, comma and semicolon escaped and each line break
// (CR LF, LF or a lone CR) as "\n", so that a card's only line breaks are its
// lines' ends; its stray controls left out (reportStrayControls names them).
void appendEscaped(QString& card, QStringView text) {
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\\' && c != u',' && c != u';' && !isControl(c)) {
            continue;
        }
        card += text.sliced(from, i - from);
        if (c == u'\t') {
            card += c;
        } else if (c == u'\r' || c == u'\n') {
            card += u"\\n";
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;
            }
        } else if (!isControl(c)) {
            card += u'\\';
            card += c;
        }
        from = i + 1;
    }
    card += text.sliced(from);
}

// The value of a line, `parts` each escaped and joined by ';', and the
// line's end.
void appendValue(QString& card, std::initializer_list<QStringView> parts) {
    card += u':';
    for (auto part = parts.begin(); part != parts.end(); ++part) {
        if (part != parts.begin()) {
            card += u';';
        }
        appendEscaped(card, *part);
    }
    card += u"\r\n";
}

// A line whose value is `value`, escaped.
void addText(QString& card, QStringView head, QStringView value) {
    card += head;
    appendValue(card, {value});
}

// `name` with the card's own types, as far as they can stand in a TYPE list
// (names of letters, digits and hyphens).
void appendTyped(QString& card, QStringView name, const QStringList& types) {
    card += name;
    bool first = true;
    for (const QString& type : types) {
        if (!type.isEmpty() && std::all_of(type.begin(), type.end(), [](QChar c) {
                return (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-';
            })) {
            card += first ? u";TYPE=" : u",";
            card += type;
            first = false;
        }
    }
}

// The card in UTF-8, each line folded where it would pass 75 octets: CR LF
// and a space before the octet that would pass them, never inside a
// character.
QByteArray folded(const QString& card) {
    const QByteArray bytes = card.toUtf8();
    QByteArray out;
    qsizetype copied = 0;  // the bytes before it are in `out`
    for (qsizetype from = 0; from < bytes.size();) {
        // Escaping leaves no line break inside a value: each LF ends a line.
        const qsizetype end = bytes.indexOf('\n', from) - 1;
        qsizetype room = 75;
        while (end - from > room) {
            qsizetype cut = from + room;
            // A continuation octet: the character began earlier.
            while ((static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80) {
                --cut;
            }
            out.append(bytes.constData() + copied, cut - copied);
            out += "\r\n ";
            copied = from = cut;
            room = 74;  // after the space
        }
        from = end + 2;
    }
    if (copied == 0) {
        return bytes;
    }
    out.append(bytes.constData() + copied, bytes.size() - copied);
    return out;
}

void addNames(QString& card, const Person& p) {
    addText(card, u"FN", p.shownName);
    card += u"N";
    appendValue(card, {p.familyName, p.givenName, p.middleName, p.prefix, p.suffix});
    if (!p.phoneticFamily.isEmpty()) {
        addText(card, u"X-PHONETIC-LAST-NAME", p.phoneticFamily);
    }
    if (!p.phoneticGiven.isEmpty()) {
        addText(card, u"X-PHONETIC-FIRST-NAME", p.phoneticGiven);
    }
    if (!p.nickname.isEmpty()) {
        addText(card, u"NICKNAME", p.nickname);
    }
}

// The first address is the person's own, アドレス.
void addEmails(QString& card, const Person& p) {
    for (qsizetype i = 0; i < p.emails.size(); ++i) {
        addText(card, i == 0 ? u"EMAIL;TYPE=INTERNET,PREF" : u"EMAIL;TYPE=INTERNET", p.emails[i].value);
    }
}

void addPhones(QString& card, const Person& p) {
    for (const TypedValue& phone : p.phones) {
        appendTyped(card, u"TEL", phone.types);
        appendValue(card, {phone.value});
    }
}

void addPostalAddresses(QString& card, const Person& p) {
    for (const PostalAddress& a : p.postalAddresses) {
        appendTyped(card, u"ADR", a.types);
        appendValue(card, {a.poBox, a.extended, a.street, a.locality, a.region, a.code, a.country});
    }
}

// The department, units and all, is one unit after the company: readers that
// keep two units (Thunderbird's among them) drop a third.
void addOrganization(QString& card, const Person& p) {
    if (!p.department.isEmpty()) {
        card += u"ORG";
        appendValue(card, {p.company, p.department});
    } else if (!p.company.isEmpty()) {
        addText(card, u"ORG", p.company);
    }
    if (!p.title.isEmpty()) {
        addText(card, u"TITLE", p.title);
    }
}

// A URI is not text: a reader takes a backslash in it as part of it. Its line
// breaks and stray controls, which no URI holds, are dropped so that it stays
// one line.
void addWebPages(QString& card, const Person& p) {
    for (const TypedValue& page : p.webPages) {
        appendTyped(card, u"URL", page.types);
        card += u':';
        card += withoutStrayControls(page.value).remove(u'\r').remove(u'\n');
        card += u"\r\n";
    }
}

void addOthers(QString& card, const Person& p) {
    if (p.birthday.isValid()) {
        card += u"BDAY:";
        card += p.birthday.toString(u"yyyy-MM-dd");
        card += u"\r\n";
    }
    if (!p.note.isEmpty()) {
        addText(card, u"NOTE", p.note);
    }
    if (!p.groups.isEmpty()) {
        card += u"CATEGORIES:";
        for (const QString& group : p.groups) {
            if (&group != &p.groups.first()) {
                card += u',';
            }
            appendEscaped(card, group);
        }
        card += u"\r\n";
    }
    card += u"UID:urn:uuid:";
    card += p.uid.toString(QUuid::WithoutBraces);
    card += u"\r\n";
}

}  // namespace

// Everything a card holds beyond its uncarried properties has a line of its own.
void reportVCardLosses(const Person& p, LossReport& losses) {
    reportUncarried(losses, p);
}

qsizetype writeVCard(const PersonSource& people, const OutputTarget& target) {
    TextFileWriter out(target.path);
    LossReport losses(target);
    people([&](const Person& p) {
        QString card = u"BEGIN:VCARD\r\nVERSION:3.0\r\n"_s;
        addNames(card, p);
        addEmails(card, p);
        addPhones(card, p);
        addPostalAddresses(card, p);
        addOrganization(card, p);
        addWebPages(card, p);
        addOthers(card, p);
        card += u"END:VCARD\r\n";
        out.writeBytes(folded(card));
        reportVCardLosses(p, losses);
    });
    return losses.finish(out);
}

}  // namespace zt
