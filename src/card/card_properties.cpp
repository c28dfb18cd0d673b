#include "card/card_properties.h"

#include <QStringDecoder>
#include <algorithm>
#include <optional>
#include <utility>

#include "card/property_families.h"
#include "platform/cp932.h"

// Everything here works on the card's bytes and decodes only values. That is
// sound for CP932 cards: the bytes the syntax relies on (CR, LF, blank, TAB,
// ':', ';', ',', '"', '=') are never the second byte of a double-byte
// character. The backslash is (ソ is 83 5C), which is why escapes are undone
// only once the value is text.
namespace zt {

namespace {

// The physical lines of a card without their line ends: CR LF, LF or a lone CR.
// The next CR and the next LF are each looked for once per occurrence, so a
// card of many lines with one kind of line end only is still read in linear time.
class Lines {
public:
    explicit Lines(QByteArrayView bytes) : bytes_(bytes) { findEnd(); }
    bool atEnd() const { return start_ >= bytes_.size(); }
    QByteArrayView current() const { return bytes_.sliced(start_, end_ - start_); }
    void advance() {
        start_ = next_;
        findEnd();
    }

private:
    // The first `c` at or after start_, or the end of the bytes.
    qsizetype find(char c) const {
        const qsizetype found = bytes_.indexOf(c, start_);
        return found >= 0 ? found : bytes_.size();
    }
    void findEnd() {
        const qsizetype size = bytes_.size();
        if (start_ >= size) {
            end_ = next_ = size;
            return;
        }
        if (cr_ < start_) {
            cr_ = find('\r');
        }
        if (lf_ < start_) {
            lf_ = find('\n');
        }
        end_ = std::min(cr_, lf_);
        next_ = end_ < size ? end_ + 1 : end_;
        if (end_ == cr_ && next_ == lf_ && next_ < size) {
            ++next_;
        }
    }

    QByteArrayView bytes_;
    qsizetype start_ = 0;
    qsizetype end_ = 0;
    qsizetype next_ = 0;
    qsizetype cr_ = -1;  // the next CR at or after start_ once looked for
    qsizetype lf_ = -1;
};

// Finds the ':' that ends a line's name and parameters, over a line that may
// still grow by folding. A 3.0 parameter value may quote a ':'; a quote that
// is never closed is a stray character, and the first ':' of all then counts.
// Each byte is looked at once however often the line grows.
class ColonScan {
public:
    void scan(QByteArrayView line) {
        for (; colon < 0 && pos_ < line.size(); ++pos_) {
            if (line[pos_] == '"') {
                quoted_ = !quoted_;
            } else if (line[pos_] == ':') {
                if (!quoted_) {
                    colon = pos_;
                } else if (firstColon_ < 0) {
                    firstColon_ = pos_;
                }
            }
        }
    }
    // Once the line is complete: the unquoted ':', else the first one.
    void settle() {
        if (colon < 0) {
            colon = firstColon_;
        }
    }

    qsizetype colon = -1;

private:
    qsizetype pos_ = 0;
    qsizetype firstColon_ = -1;
    bool quoted_ = false;
};

enum class Encoding { None, QuotedPrintable, Base64 };

struct Header {
    QString name;
    QStringList types;
    Encoding encoding = Encoding::None;
    QByteArray charset;  // empty: the card's own CP932
};

bool isNameCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
}

bool isWord(QByteArrayView word, QByteArrayView upper) {
    return word.compare(upper, Qt::CaseInsensitive) == 0;
}

QByteArrayView unquoted(QByteArrayView value) {
    value = value.trimmed();
    if (value.startsWith('"')) {
        value = value.sliced(1);
    }
    if (value.endsWith('"')) {
        value.chop(1);
    }
    return value.trimmed();
}

// The pieces of `text` between the separators `at` says are ones.
template <class IsSeparator>
QList<QByteArrayView> split(QByteArrayView text, IsSeparator at) {
    QList<QByteArrayView> pieces;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (at(i)) {
            pieces.append(text.sliced(start, i - start));
            start = i + 1;
        }
    }
    pieces.append(text.sliced(start));
    return pieces;
}

void addType(QByteArrayView type, QStringList& types) {
    type = unquoted(type);
    if (!type.isEmpty()) {
        types.append(cp932::decode(type.data(), type.size()).toUpper());
    }
}

Encoding encodingNamed(QByteArrayView name) {
    if (isWord(name, "QUOTED-PRINTABLE")) {
        return Encoding::QuotedPrintable;
    }
    return isWord(name, "BASE64") || isWord(name, "B") ? Encoding::Base64 : Encoding::None;
}

void addParameter(QByteArrayView parameter, Header& header) {
    const qsizetype equals = parameter.indexOf('=');
    if (equals < 0) {
        // 2.1 writes the encoding as a bare word, like a type.
        const QByteArrayView word = parameter.trimmed();
        if (isWord(word, "QUOTED-PRINTABLE") || isWord(word, "BASE64")) {
            header.encoding = encodingNamed(word);
        } else if (!isWord(word, "8BIT") && !isWord(word, "7BIT")) {
            addType(word, header.types);
        }
        return;
    }
    const QByteArrayView key = parameter.first(equals).trimmed();
    const QByteArrayView value = parameter.sliced(equals + 1);
    if (isWord(key, "TYPE")) {
        for (const QByteArrayView type : split(value, [&value](qsizetype i) { return value[i] == ','; })) {
            addType(type, header.types);
        }
    } else if (isWord(key, "CHARSET")) {
        header.charset = unquoted(value).toByteArray();
    } else if (isWord(key, "ENCODING")) {
        if (const Encoding encoding = encodingNamed(unquoted(value)); encoding != Encoding::None) {
            header.encoding = encoding;
        }
    }
}

// The name and parameters before the line's ':'; nullopt for a name that is
// empty or holds anything but letters, digits and '-'.
std::optional<Header> readHeader(QByteArrayView head) {
    const qsizetype semicolon = head.indexOf(';');
    const QByteArrayView nameAndGroup = semicolon < 0 ? head : head.first(semicolon);
    const QByteArrayView name = nameAndGroup.sliced(nameAndGroup.lastIndexOf('.') + 1);
    if (name.isEmpty() || !std::all_of(name.begin(), name.end(), isNameCharacter)) {
        return std::nullopt;
    }
    Header header;
    header.name = QString::fromLatin1(name).toUpper();
    if (semicolon < 0) {
        return header;
    }
    // A quoted parameter value may hold a ';'.
    const QByteArrayView parameters = head.sliced(semicolon + 1);
    bool quoted = false;
    const auto separates = [&](qsizetype i) {
        quoted = parameters[i] == '"' ? !quoted : quoted;
        return parameters[i] == ';' && !quoted;
    };
    for (const QByteArrayView parameter : split(parameters, separates)) {
        addParameter(parameter, header);
    }
    return header;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// Soft breaks are already joined. An '=' without two hex digits after it is
// left as written, so a broken value loses nothing.
QByteArray decodeQuotedPrintable(QByteArrayView text) {
    QByteArray bytes(text.size(), Qt::Uninitialized);  // never longer than the text
    char* out = bytes.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '=' && i + 2 < text.size()) {
            const int high = hexValue(text[i + 1]);
            const int low = hexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                *out++ = char(high << 4 | low);
                i += 2;
                continue;
            }
        }
        *out++ = text[i];
    }
    bytes.truncate(out - bytes.constData());
    return bytes;
}

bool isCp932Name(QByteArrayView name) {
    const char* const aliases[] = {"SHIFT_JIS",   "SHIFT-JIS", "SJIS",  "CP932",
                                   "WINDOWS-31J", "MS932",     "X-SJIS"};
    return std::any_of(std::begin(aliases), std::end(aliases),
                       [name](const char* alias) { return isWord(name, alias); });
}

// The value as text; where CP932 has no character for some of its bytes
// (which it then reads as U+FFFD, a character CP932 itself never holds),
// the same with those bytes in hex into `shownBytes`.
QString decodeText(QByteArrayView bytes, QByteArrayView charset, QString& shownBytes) {
    if (!charset.isEmpty() && !isCp932Name(charset)) {
        QStringDecoder decoder(charset.toByteArray().constData());
        if (decoder.isValid()) {
            return decoder.decode(bytes);
        }
    }
    QString text = cp932::decode(bytes.data(), bytes.size());
    if (text.contains(QChar::ReplacementCharacter)) {
        shownBytes = cp932::decodeShowingBytes(bytes.data(), bytes.size());
    }
    return text;
}

QString unescaped(QStringView text) {
    if (!text.contains(u'\\')) {
        return text.toString();
    }
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        if (text[i] != u'\\') {
            out.append(text[i]);
        } else if (next == u'n' || next == u'N') {
            out.append(u'\n');
            ++i;
        } else if (next == u',' || next == u';' || next == u'\\' || next == u':' || next == u'"') {
            out.append(next);
            ++i;
        } else {
            out.append(text[i]);
        }
    }
    return out;
}

// The value with its escapes undone; its parts split at each unescaped ';',
// none when there is no ';' to split at.
void unescape(QString&& text, CardProperty& property) {
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\') {
            ++i;  // what a backslash escapes never separates
        } else if (text[i] == u';') {
            property.parts.append(unescaped(QStringView(text).sliced(start, i - start)));
            start = i + 1;
        }
    }
    if (start > 0) {
        property.parts.append(unescaped(QStringView(text).sliced(start)));
    }
    property.value = text.contains(u'\\') ? unescaped(text) : std::move(text);
}

// 2.1 knows no escapes but "\;" inside a value of parts; any other backslash
// is text, a Windows path's for one.
bool hasParts21(const QString& name) {
    const Family family = familyOf(name);
    return family == Family::StructuredName || family == Family::PostalAddress ||
           family == Family::Organisation || family == Family::Sound;
}

void split21(CardProperty& property) {
    if (!hasParts21(property.name) || !property.value.contains(u';')) {
        return;
    }
    const QString& text = property.value;
    QString part;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 1 < text.size() && text[i + 1] == u';') {
            part.append(u';');
            ++i;
        } else if (text[i] == u';') {
            property.parts.append(std::exchange(part, QString()));
        } else {
            part.append(text[i]);
        }
    }
    if (!property.parts.isEmpty()) {
        property.parts.append(part);
        property.value = property.parts.join(u';');
    }
}

// A card that says it is 2.1 or names no version; any other (3.0, 4.0) has
// its escapes undone.
bool isVersion21(const std::vector<CardProperty>& properties) {
    const auto version = std::find_if(properties.begin(), properties.end(),
                                      [](const CardProperty& p) { return p.name == u"VERSION"; });
    return version == properties.end() || version->value.trimmed() == u"2.1";
}

CardProperty readProperty(Header&& header, QByteArrayView raw) {
    CardProperty property;
    property.name = std::move(header.name);
    property.types = std::move(header.types);
    QByteArray decoded;
    QByteArrayView data = raw;
    if (header.encoding == Encoding::QuotedPrintable) {
        decoded = decodeQuotedPrintable(raw);
        data = decoded;
    } else if (header.encoding == Encoding::Base64) {
        property.binary = QByteArray::fromBase64(raw.toByteArray());
        data = property.binary;
    }
    // Escapes are the card's version's business.
    property.value = decodeText(data, header.charset, property.shownBytes);
    return property;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// One line of a card as its properties are read: the physical lines that
// continue it joined to its first.
struct LogicalLine {
    QByteArrayView text;  // valid as long as the lines it was made of
    qsizetype colon = -1;
    std::optional<Header> header;

    // A quoted-printable soft break goes before folding: the line after it is
    // text as it stands, a leading blank included.
    bool endsInSoftBreak() const {
        return header && header->encoding == Encoding::QuotedPrintable && text.size() > colon + 1 &&
               text.back() == '=';
    }
};

void splitOrganisation(const QString& org, CardFields& fields) {
    Organisation parts = organisation(org.split(u';'));
    fields.company = std::move(parts.company);
    fields.department = std::move(parts.department);
}

QString decodedFrom(QByteArrayView line, qsizetype from) {
    return cp932::decode(line.data() + from, line.size() - from);
}

}  // namespace

Organisation organisation(QStringList parts) {
    while (parts.size() > 1 && parts.last().isEmpty()) {
        parts.removeLast();
    }
    Organisation o{parts.value(0), parts.mid(1), {}};
    o.department = o.units.join(u';');
    return o;
}

bool startsWithWord(QByteArrayView line, QByteArrayView word) {
    return line.size() >= word.size() && line.first(word.size()).compare(word, Qt::CaseInsensitive) == 0;
}

bool EmbeddedCards::inside(QByteArrayView line) {
    if (depth_ > 0) {
        // A BEGIN inside an embedded card means that card, and the one around
        // it, lacked its END: the next card starts here rather than vanish
        // into the AGENT.
        if (!startsWithWord(line, "BEGIN:VCARD")) {
            depth_ -= startsWithWord(line, "END:VCARD") ? 1 : 0;
            return true;
        }
        depth_ = 0;
    }
    if (std::exchange(agentBefore_, false) && startsWithWord(line, "BEGIN:VCARD")) {
        depth_ = 1;
        return true;
    }
    const qsizetype colon = line.indexOf(':');
    const QByteArrayView head = colon < 0 ? line : line.first(colon);
    const QByteArrayView name = head.first(head.indexOf(';') < 0 ? head.size() : head.indexOf(';'));
    if (colon >= 0 && isWord(name.sliced(name.lastIndexOf('.') + 1), "AGENT")) {
        const QByteArrayView value = line.sliced(colon + 1).trimmed();
        agentBefore_ = value.isEmpty();
        depth_ = isWord(value, "BEGIN:VCARD") ? 1 : 0;
    }
    return false;
}

// What a card has read so far: its properties, whether each holds an
// embedded card (its escapes its own), the logical line still open, and the
// fields of the stored tables.
struct CardParser::State {
    std::vector<CardProperty> properties;
    std::vector<bool> embeds;
    LogicalLine open;
    bool isOpen = false;
    ColonScan scan;
    QByteArray joined;  // the open line's physical lines joined, once it has more than one
    CardFields fields;

    void findColon() {
        scan.scan(open.text);
        setColon(scan.colon);
    }
    void setColon(qsizetype colon) {
        open.colon = colon;
        if (colon >= 0) {
            open.header = readHeader(open.text.first(colon));
        }
    }
    bool continues(QByteArrayView next) const {
        return (open.endsInSoftBreak() && !startsWithWord(next, "END:VCARD")) ||
               (!next.isEmpty() && isBlank(next.front()));
    }
    void join(QByteArrayView next) {
        if (open.text.data() != joined.constData()) {
            joined = open.text.toByteArray();
        }
        if (open.endsInSoftBreak()) {
            joined.chop(1);
            joined.append(next);
        } else {
            joined.append(next.sliced(1));
        }
        open.text = joined;
    }
    void close() {
        if (!std::exchange(isOpen, false)) {
            return;
        }
        if (open.colon < 0) {
            scan.settle();
            setColon(scan.colon);
        }
        if (open.header) {
            properties.push_back(readProperty(std::move(*open.header), open.text.sliced(open.colon + 1)));
            embeds.push_back(false);
        }
    }
    // The keys are ASCII, and a CP932 line starts with ASCII bytes exactly
    // when its text starts with those characters (no double-byte code decodes
    // to ASCII), so the key is matched on the bytes.
    void readField(QByteArrayView line) {
        if (line.startsWith("FN:")) {
            fields.name = decodedFrom(line, 3);
        } else if (line.startsWith("ORG:")) {
            splitOrganisation(decodedFrom(line, 4), fields);
        } else if (line.startsWith("EMAIL;PREF:")) {
            fields.address = decodedFrom(line, 11);
        }
    }
};

CardParser::CardParser() : state_(std::make_unique<State>()) {}
CardParser::~CardParser() = default;

void CardParser::add(QByteArrayView line, bool embedded) {
    State& s = *state_;
    if (embedded) {
        s.close();
        if (!s.properties.empty() && s.properties.back().name == u"AGENT") {
            CardProperty& agent = s.properties.back();
            agent.value += (agent.value.isEmpty() ? QString() : QString(u'\n')) + decodedFrom(line, 0);
            s.embeds.back() = true;
        }
        return;
    }
    s.readField(line);
    if (s.isOpen && s.continues(line)) {
        s.join(line);
        if (s.open.colon < 0) {
            s.findColon();
        }
        return;
    }
    s.close();
    s.open = LogicalLine();
    s.open.text = line;
    s.isOpen = true;
    s.scan = ColonScan();
    s.findColon();
}

ParsedCard CardParser::finish() {
    State& s = *state_;
    s.close();
    const bool version21 = isVersion21(s.properties);
    for (std::size_t i = 0; i < s.properties.size(); ++i) {
        if (s.embeds[i]) {
            continue;
        }
        if (version21) {
            split21(s.properties[i]);
        } else {
            unescape(std::move(s.properties[i].value), s.properties[i]);
        }
    }
    ParsedCard card{std::move(s.fields), std::move(s.properties)};
    state_ = std::make_unique<State>();
    return card;
}

ParsedCard parseCard(QByteArrayView card) {
    CardParser parser;
    EmbeddedCards embedded;
    for (Lines lines(card); !lines.atEnd(); lines.advance()) {
        parser.add(lines.current(), embedded.inside(lines.current()));
    }
    return parser.finish();
}

std::vector<CardProperty> readCardProperties(QByteArrayView card) {
    return parseCard(card).properties;
}

}  // namespace zt
