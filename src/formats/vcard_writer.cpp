#include "formats/vcard_writer.h"

#include <QByteArray>
#include <QStringList>
#include <algorithm>
#include <initializer_list>

#include "card/people.h"
#include "formats/person_losses.h"
#include "formats/utf8_record.h"
#include "formats/loss_report.h"
#include "platform/text_file_writer.h"

namespace zt {

using namespace Qt::StringLiterals;

namespace {

bool needsEscape(QChar c) {
    return c == u'\\' || c == u',' || c == u';' || c == u'\r' || c == u'\n';
}

// `text` in UTF-8 with backslash, comma and semicolon escaped and each line
// break (CR LF, LF or a lone CR) as "\n".
void appendEscaped(std::string& out, QStringView text) {
    qsizetype from = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!needsEscape(c)) {
            continue;
        }
        appendUtf8(out, text.sliced(from, i - from));
        if (c == u'\r' || c == u'\n') {
            out += "\\n";
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;
            }
        } else {
            out += '\\';
            out += char(c.unicode());
        }
        from = i + 1;
    }
    appendUtf8(out, text.sliced(from));
}

// `parts`, each escaped, joined by ';'.
void appendJoined(std::string& out, std::initializer_list<QStringView> parts) {
    for (auto part = parts.begin(); part != parts.end(); ++part) {
        if (part != parts.begin()) {
            out += ';';
        }
        appendEscaped(out, *part);
    }
}

// One card's bytes. Its buffers keep their room from card to card.
class Card {
public:
    void begin() {
        bytes_.clear();
        bytes_ += "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    }
    QByteArrayView end() {
        bytes_ += "END:VCARD\r\n";
        return bytes_;
    }

    // A line whose value is `value`, escaped.
    void text(QByteArrayView head, QStringView value) {
        appendEscaped(start(head), value);
        finish();
    }
    // A line whose value is `parts`, each escaped, joined by ';'.
    void parts(QByteArrayView head, std::initializer_list<QStringView> parts) {
        appendJoined(start(head), parts);
        finish();
    }
    // `name` with the card's own types, as far as they can stand in a TYPE
    // list (names of letters, digits and hyphens); the caller appends the value
    // and calls finish().
    std::string& typed(QByteArrayView name, const QStringList& types) {
        line_.clear();
        line_.append(name.data(), std::size_t(name.size()));
        bool first = true;
        for (const QString& type : types) {
            if (!type.isEmpty() && std::all_of(type.begin(), type.end(), [](QChar c) {
                    return (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-';
                })) {
                line_ += first ? ";TYPE=" : ",";
                appendUtf8(line_, type);
                first = false;
            }
        }
        line_ += ':';
        return line_;
    }
    // A line begun with `head` (name and parameters); the caller appends the
    // value and calls finish().
    std::string& start(QByteArrayView head) {
        line_.clear();
        line_.append(head.data(), std::size_t(head.size()));
        line_ += ':';
        return line_;
    }
    // The line under way, folded where it would pass 75 octets (CR LF and a
    // space before the octet that would pass them, never inside a
    // character), then CR LF.
    void finish() {
        qsizetype from = 0;
        qsizetype room = 75;
        while (qsizetype(line_.size()) - from > room) {
            qsizetype cut = from + room;
            // A continuation octet: the character began earlier.
            while ((static_cast<unsigned char>(line_[cut]) & 0xC0) == 0x80) {
                --cut;
            }
            bytes_.append(line_, std::size_t(from), std::size_t(cut - from)).append("\r\n ");
            from = cut;
            room = 74;  // after the space
        }
        bytes_.append(line_, std::size_t(from)).append("\r\n");
    }

private:
    std::string bytes_;
    std::string line_;
};

}  // namespace

qsizetype writeVCard(Database& db, const QString& path) {
    TextFileWriter out(path);
    LossReport losses(QStringLiteral("vCard 出力"), path);
    Card card;
    forEachPerson(db, [&](const Person& p) {
        card.begin();
        card.text("FN", p.shownName);
        card.parts("N", {p.familyName, p.givenName, p.middleName, p.prefix, p.suffix});
        if (!p.phoneticFamily.isEmpty()) {
            card.text("X-PHONETIC-LAST-NAME", p.phoneticFamily);
        }
        if (!p.phoneticGiven.isEmpty()) {
            card.text("X-PHONETIC-FIRST-NAME", p.phoneticGiven);
        }
        if (!p.nickname.isEmpty()) {
            card.text("NICKNAME", p.nickname);
        }
        for (const TypedValue& email : p.emails) {
            const bool first = &email == &p.emails.first();
            card.text(first ? "EMAIL;TYPE=INTERNET,PREF" : "EMAIL;TYPE=INTERNET", email.value);
        }
        for (const TypedValue& phone : p.phones) {
            appendEscaped(card.typed("TEL", phone.types), phone.value);
            card.finish();
        }
        for (const PostalAddress& a : p.postalAddresses) {
            appendJoined(card.typed("ADR", a.types),
                         {a.poBox, a.extended, a.street, a.locality, a.region, a.code, a.country});
            card.finish();
        }
        if (!p.department.isEmpty()) {
            card.parts("ORG", {p.company, p.department});
        } else if (!p.company.isEmpty()) {
            card.text("ORG", p.company);
        }
        if (!p.title.isEmpty()) {
            card.text("TITLE", p.title);
        }
        // A URI is not text: a reader takes a backslash in it as part of it.
        for (const TypedValue& page : p.webPages) {
            std::string& line = card.typed("URL", page.types);
            for (const QStringView piece : QStringView(page.value).tokenize(u'\n')) {
                for (const QStringView run : piece.tokenize(u'\r')) {
                    appendUtf8(line, run);
                }
            }
            card.finish();
        }
        if (p.birthday.isValid()) {
            appendUtf8(card.start("BDAY"), birthdayText(p.birthday, "%04d-%02d-%02d"));
            card.finish();
        }
        if (!p.note.isEmpty()) {
            card.text("NOTE", p.note);
        }
        if (!p.groups.isEmpty()) {
            std::string& line = card.start("CATEGORIES");
            for (const QString& group : p.groups) {
                if (&group != &p.groups.first()) {
                    line += ',';
                }
                appendEscaped(line, group);
            }
            card.finish();
        }
        card.start("UID") += "urn:uuid:" + p.uid.toByteArray(QUuid::WithoutBraces).toStdString();
        card.finish();
        out.writeBytes(card.end());
        reportUncarried(losses, p);
    });
    out.commit();
    return losses.finish();
}

}  // namespace zt
