#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

// The properties of one stored card, as the programs of the past wrote them:
// vCard 2.1 and 3.0, in the card file's code page unless a property names
// another. Never fails: a line it cannot read is skipped, and a value it cannot
// decode is kept as near to what was written as the decoders allow.
namespace zt {

struct CardProperty {
    QString name;        // upper case, without its group: "TEL", "X-PHONETIC-LAST-NAME"
    QStringList types;   // upper case: every bare parameter and TYPE= value, in card order
                         // (not the bare encodings QUOTED-PRINTABLE, BASE64, 8BIT, 7BIT)
    QString value;       // the value as text in its charset, once quoted-printable or base 64
                         // is undone; escapes undone (\, \; \: \" \\ \n) unless the card
                         // is 2.1, where only "\;" inside N, ADR, ORG and SOUND is one
    QByteArray binary;   // a base-64 value's bytes (a photo, a key), empty for any other value
    QString shownBytes;  // the value as read, each byte CP932 has no character for in hex
                         // ("<81 7F>", where `value` has U+FFFD); empty when it has none
    QStringList parts;   // the same text split at each unescaped ';', each part unescaped, so
                         // that `value` is parts.join(';'); empty when there is no ';' to split
                         // at, the value being then the one part (most values: no list for them;
                         // in a 2.1 card, none but N, ADR, ORG and SOUND are split)

    bool hasType(QStringView type) const { return types.contains(type); }
    // Part `index` of the value, the empty text past the last.
    QString part(qsizetype index) const {
        return parts.isEmpty() ? (index == 0 ? value : QString()) : parts.value(index);
    }
    qsizetype partCount() const { return parts.isEmpty() ? 1 : parts.size(); }
};

// Whether `line` starts with `word` in any case ("END:vCard" is the
// standard's own example); CP932 never puts a double-byte character into
// these ASCII bytes.
bool startsWithWord(QByteArrayView line, QByteArrayView word);

// The cards an AGENT property embeds, followed line by line, so that their
// lines are never taken for the outer card's: 2.1 writes the embedded card
// on the lines after "AGENT:" (or from "AGENT:BEGIN:VCARD" on) through its
// own END:VCARD; a BEGIN:VCARD before that ends it, as it ends a card that
// lacks its END. (3.0 writes it escaped within the one AGENT line.)
class EmbeddedCards {
public:
    // True when `line`, the next line of the card, belongs to an embedded
    // card, its BEGIN and END lines included; the AGENT line itself does not.
    bool inside(QByteArrayView line);

private:
    int depth_ = 0;
    bool agentBefore_ = false;  // the line before was "AGENT:" with no value
};

// An organisation as the stored tables and the outputs hold it: the company,
// the units after it without the empty ones at the end (some writers end ORG
// with a ';' or more that names no unit), and those units joined by ';' as
// its department.
struct Organisation {
    QString company;
    QStringList units;
    QString department;
};
// The organisation of ORG's parts, the company first.
Organisation organisation(QStringList parts);

// What the stored tables keep of a card: the text of its last line of each
// kind that starts "FN:", "ORG:" or "EMAIL;PREF:", as it stands on that line
// (no fold joined, no escape or encoding undone, a line after a soft line
// break read as a line of its own), lines of an embedded card left out. ORG
// gives the company and department its organisation() has.
struct CardFields {
    QString name;
    QString address;
    QString company;
    QString department;

    bool isEmpty() const {
        return name.isEmpty() && address.isEmpty() && company.isEmpty() && department.isEmpty();
    }
};

// A card read: the fields of the stored tables and every property, in card
// order, BEGIN, VERSION and END included. A line that starts with a blank or
// TAB continues the one before; a quoted-printable value that ends in '='
// continues on the next line as it stands, unless that line is the card's
// END. A card embedded by AGENT is that AGENT's value, its lines as written
// (line breaks as LF), no property or field of the outer card. A card that
// names no VERSION is read as 2.1, as the programs that left it out wrote it.
struct ParsedCard {
    CardFields fields;
    std::vector<CardProperty> properties;
};

// Reads a card from its physical lines, once, for the table fields and the
// properties together. Which lines an embedded card holds is the caller's
// EmbeddedCards' answer, the one the card's bounds were found by. The time
// taken grows linearly with the card's size, however its lines are folded or
// broken.
class CardParser {
public:
    CardParser();
    ~CardParser();
    CardParser(const CardParser&) = delete;
    CardParser& operator=(const CardParser&) = delete;

    // The card's next line, without its line end; it must stay valid until
    // finish(). `embedded` when it belongs to a card an AGENT embeds.
    void add(QByteArrayView line, bool embedded);
    // The card read so far, and a parser ready for the next one.
    ParsedCard finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// `card` (its bytes from the first line through END:VCARD) read whole.
ParsedCard parseCard(QByteArrayView card);
std::vector<CardProperty> readCardProperties(QByteArrayView card);

}  // namespace zt
