#include "card/card_properties.h"

#include <QHash>
#include <QStringDecoder>
#include <QVarLengthArray>
#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "platform/cp932.h"

// Everything here works on the card's bytes and decodes only values. That is
// sound for CP932 cards: the bytes the syntax relies on (CR, LF, blank, TAB,
// ':', ';', ',', '"', '=') are never the second byte of a double-byte
// character. The backslash is (ソ is 83 5C), which is why escapes are undone
// only once the value is text.
namespace zt {

namespace {

// The physical lines of a card without their line ends: CR LF, LF or a lone CR.
// Each kind of line end is looked for with memchr, once per occurrence: a byte
// by byte loop over every card costs as much as the rest of the reading.
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
        const void* found = std::memchr(bytes_.data() + start_, c, size_t(bytes_.size() - start_));
        return found != nullptr ? static_cast<const char*>(found) - bytes_.data() : bytes_.size();
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
class ColonScan {
public:
    void scan(QByteArrayView line) {
        if (pos_ == 0) {
            // Most lines quote nothing before their first ':', which is then the one.
            const char* const begin = line.data();
            const auto* first = static_cast<const char*>(std::memchr(begin, ':', size_t(line.size())));
            if (first != nullptr && std::memchr(begin, '"', size_t(first - begin)) == nullptr) {
                colon = first - begin;
                pos_ = colon + 1;
                return;
            }
        }
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

char asciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

// `word` is `upper` in any case.
bool equalsNoCase(QByteArrayView word, QByteArrayView upper) {
    if (word.size() != upper.size()) {
        return false;
    }
    for (qsizetype i = 0; i < word.size(); ++i) {
        if (asciiUpper(word[i]) != upper[i]) {
            return false;
        }
    }
    return true;
}

// Each writer reads every card, and most of a card's names and types are
// these: handing out one shared text for them saves an allocation apiece, and
// so does one shared list for a property whose only type is one of them.
struct CommonWord {
    QByteArrayView upper;
    QString text;
    QStringList alone;  // {text}
};
using CommonWords = std::vector<CommonWord>;

CommonWords commonWords(std::initializer_list<const char*> uppers) {
    CommonWords words;
    for (const char* upper : uppers) {
        const QString text = QString::fromLatin1(upper);
        words.push_back({upper, text, {text}});
    }
    return words;
}

const CommonWords kCommonNames =
    commonWords({"TEL", "EMAIL", "ADR", "N", "FN", "ORG", "TITLE", "NOTE", "URL", "BDAY", "BEGIN", "VERSION",
                 "END", "SOUND", "LABEL", "NICKNAME"});
const CommonWords kCommonTypes =
    commonWords({"WORK", "HOME", "VOICE", "CELL", "FAX", "PREF", "INTERNET", "PAGER", "X-IRMC-N"});

const CommonWord* commonWord(QByteArrayView word, const CommonWords& common) {
    for (const CommonWord& candidate : common) {
        if (equalsNoCase(word, candidate.upper)) {
            return &candidate;
        }
    }
    return nullptr;
}

QString upperWord(QByteArrayView word, const CommonWords& common) {
    const CommonWord* found = commonWord(word, common);
    return found != nullptr ? found->text : cp932::decode(word.data(), word.size()).toUpper();
}

// A property's types as they are met, made a list once all are known.
class Types {
public:
    void add(QByteArrayView type) {
        type = unquoted(type);
        if (type.isEmpty()) {
            return;
        }
        const CommonWord* found = commonWord(type, kCommonTypes);
        first_ = types_.isEmpty() ? found : nullptr;
        types_.append(found != nullptr ? found->text : cp932::decode(type.data(), type.size()).toUpper());
    }
    QStringList list() const {
        if (first_ != nullptr) {
            return first_->alone;
        }
        return QStringList(types_.begin(), types_.end());
    }

private:
    QVarLengthArray<QString, 4> types_;
    const CommonWord* first_ = nullptr;  // the only type so far, when it is a common one
};

void addParameter(QByteArrayView parameter, Header& header, Types& types) {
    const qsizetype equals = parameter.indexOf('=');
    if (equals < 0) {
        // 2.1 writes the encoding as a bare word, like a type.
        const QByteArrayView word = parameter.trimmed();
        if (equalsNoCase(word, "QUOTED-PRINTABLE")) {
            header.encoding = Encoding::QuotedPrintable;
        } else if (equalsNoCase(word, "BASE64")) {
            header.encoding = Encoding::Base64;
        } else if (!equalsNoCase(word, "8BIT") && !equalsNoCase(word, "7BIT")) {
            types.add(word);
        }
        return;
    }
    const QByteArrayView key = parameter.first(equals).trimmed();
    const QByteArrayView value = parameter.sliced(equals + 1);
    if (equalsNoCase(key, "TYPE")) {
        for (qsizetype start = 0;;) {
            const qsizetype comma = value.indexOf(',', start);
            types.add(value.sliced(start, (comma < 0 ? value.size() : comma) - start));
            if (comma < 0) {
                break;
            }
            start = comma + 1;
        }
    } else if (equalsNoCase(key, "CHARSET")) {
        header.charset = unquoted(value).toByteArray();
    } else if (equalsNoCase(key, "ENCODING")) {
        const QByteArrayView encoding = unquoted(value);
        if (equalsNoCase(encoding, "QUOTED-PRINTABLE")) {
            header.encoding = Encoding::QuotedPrintable;
        } else if (equalsNoCase(encoding, "BASE64") || equalsNoCase(encoding, "B")) {
            header.encoding = Encoding::Base64;
        }
    }
}

// The name and parameters before the line's ':'; nullopt for a name that is
// empty or holds anything but letters, digits and '-'.
std::optional<Header> readHeader(QByteArrayView head) {
    const qsizetype semicolon = head.indexOf(';');
    const qsizetype end = semicolon < 0 ? head.size() : semicolon;
    const QByteArrayView nameAndGroup = head.first(end);
    const QByteArrayView name = nameAndGroup.sliced(nameAndGroup.lastIndexOf('.') + 1);
    if (name.isEmpty()) {
        return std::nullopt;
    }
    for (const char c : name) {
        if (!isNameCharacter(c)) {
            return std::nullopt;
        }
    }
    Header header;
    header.name = upperWord(name, kCommonNames);
    Types types;
    const QByteArrayView parameters = head.sliced(std::min(end + 1, head.size()));
    if (end == head.size()) {
        // No parameters, as on most lines.
    } else if (!parameters.contains('"')) {
        for (qsizetype start = 0;;) {
            const qsizetype semicolon = parameters.indexOf(';', start);
            addParameter(parameters.sliced(start, (semicolon < 0 ? parameters.size() : semicolon) - start),
                         header, types);
            if (semicolon < 0) {
                break;
            }
            start = semicolon + 1;
        }
    } else {
        // A quoted parameter value may hold a ';'.
        bool quoted = false;
        for (qsizetype start = 0, i = 0; i <= parameters.size(); ++i) {
            if (i == parameters.size() || (parameters[i] == ';' && !quoted)) {
                addParameter(parameters.sliced(start, i - start), header, types);
                start = i + 1;
            } else if (parameters[i] == '"') {
                quoted = !quoted;
            }
        }
    }
    header.types = types.list();
    return header;
}

// The same, read once for each text: a program writes the same few on every
// card ("TEL;WORK;VOICE", "ADR;HOME;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE"),
// and reading them anew took a tenth of the time of reading an address book.
// Per thread, so that no lock is needed; the few hundred a card file holds at
// most are kept, and a file of ever new ones only empties the store now and then.
std::optional<Header> parseHeader(QByteArrayView head) {
    constexpr qsizetype kMostKept = 512;
    thread_local QHash<QByteArray, std::optional<Header>> known;
    if (const auto found = known.constFind(QByteArray::fromRawData(head.data(), head.size()));
        found != known.constEnd()) {
        return *found;
    }
    if (known.size() >= kMostKept) {
        known.clear();
    }
    std::optional<Header> header = readHeader(head);
    known.insert(head.toByteArray(), header);
    return header;
}

// Each byte's value as a hex digit, -1 for a byte that is none.
constexpr std::array<int8_t, 256> kHexDigits = [] {
    std::array<int8_t, 256> digits{};
    for (int c = 0; c < 256; ++c) {
        digits[c] = c >= '0' && c <= '9'   ? int8_t(c - '0')
                    : c >= 'A' && c <= 'F' ? int8_t(c - 'A' + 10)
                    : c >= 'a' && c <= 'f' ? int8_t(c - 'a' + 10)
                                           : int8_t(-1);
    }
    return digits;
}();

// Soft breaks are already joined. An '=' without two hex digits after it is
// left as written, so a broken value loses nothing. Into `bytes`, which keeps
// its capacity from value to value.
void decodeQuotedPrintable(QByteArrayView text, QByteArray& bytes) {
    bytes.resize(text.size());  // never longer than the text
    char* const begin = bytes.data();
    char* out = begin;
    const char* in = text.data();
    const char* const end = in + text.size();
    while (in < end) {
        if (*in == '=' && end - in > 2) {
            const int high = kHexDigits[static_cast<unsigned char>(in[1])];
            const int low = kHexDigits[static_cast<unsigned char>(in[2])];
            if ((high | low) >= 0) {
                *out++ = char(high << 4 | low);
                in += 3;
                continue;
            }
        }
        *out++ = *in++;
    }
    bytes.resize(out - begin);
}

bool isCp932Name(QByteArrayView name) {
    for (const char* alias : {"SHIFT_JIS", "SHIFT-JIS", "SJIS", "CP932", "WINDOWS-31J", "MS932", "X-SJIS"}) {
        if (equalsNoCase(name, alias)) {
            return true;
        }
    }
    return false;
}

QString decodeText(QByteArrayView bytes, QByteArrayView charset) {
    if (!charset.isEmpty() && !isCp932Name(charset)) {
        QStringDecoder decoder(charset.toByteArray().constData());
        if (decoder.isValid()) {
            return decoder.decode(bytes);
        }
    }
    return cp932::decode(bytes.data(), bytes.size());
}

QString unescaped(QStringView text) {
    if (!text.contains(u'\\')) {
        return text.toString();
    }
    QString out(text.size(), Qt::Uninitialized);
    QChar* const begin = out.data();
    QChar* end = begin;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        if (text[i] != u'\\') {
            *end++ = text[i];
        } else if (next == u'n' || next == u'N') {
            *end++ = u'\n';
            ++i;
        } else if (next == u',' || next == u';' || next == u'\\') {
            *end++ = next;
            ++i;
        } else {
            *end++ = text[i];
        }
    }
    out.resize(end - begin);
    return out;
}

// `value` with the escapes undone; `parts` split at each unescaped ';', left
// empty when there is none.
void unescape(QString&& text, QString& value, QStringList& parts) {
    // One look over the text for both: most values hold neither.
    qsizetype separators = 0;
    bool escapes = false;
    for (const QChar c : std::as_const(text)) {
        if (c == u';') {
            ++separators;
        } else if (c == u'\\') {
            escapes = true;
        }
    }
    if (separators == 0) {
        value = escapes ? unescaped(text) : std::move(text);
        return;
    }
    value = escapes ? unescaped(text) : text;
    const auto part = [&](QStringView slice) { return escapes ? unescaped(slice) : slice.toString(); };
    parts.reserve(1 + separators);
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\') {
            ++i;  // what a backslash escapes never separates
        } else if (text[i] == u';') {
            parts.append(part(QStringView(text).sliced(start, i - start)));
            start = i + 1;
        }
    }
    if (start > 0) {
        parts.append(part(QStringView(text).sliced(start)));
    }
}

// `scratch` holds a decoded value until it is text.
void fillProperty(CardProperty& property, Header&& header, QByteArrayView raw, QByteArray& scratch) {
    property.name = std::move(header.name);
    property.types = std::move(header.types);
    QByteArrayView data = raw;
    switch (header.encoding) {
        case Encoding::QuotedPrintable:
            decodeQuotedPrintable(raw, scratch);
            data = scratch;
            break;
        case Encoding::Base64:
            property.binary = QByteArray::fromBase64(raw.toByteArray());
            data = property.binary;
            break;
        case Encoding::None:
            break;
    }
    unescape(decodeText(data, header.charset), property.value, property.parts);
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::vector<CardProperty> readCardProperties(QByteArrayView card) {
    std::vector<CardProperty> properties;
    readCardProperties(card, properties);
    return properties;
}

void readCardProperties(QByteArrayView card, std::vector<CardProperty>& properties) {
    properties.clear();
    // Kept from line to line with their capacity, so that folded and encoded
    // values cost no allocation of their own.
    QByteArray joined;
    QByteArray decoded;
    Lines lines(card);
    while (!lines.atEnd()) {
        // Most lines stand alone and are read where they lie; only a folded
        // or soft-broken one is copied together.
        const QByteArrayView first = lines.current();
        lines.advance();
        bool isJoined = false;
        ColonScan scan;
        scan.scan(first);
        std::optional<Header> header;
        if (scan.colon >= 0) {
            header = parseHeader(first.first(scan.colon));
        }
        while (!lines.atEnd()) {
            const QByteArrayView line = isJoined ? QByteArrayView(joined) : first;
            const QByteArrayView next = lines.current();
            // A quoted-printable soft break goes before folding: the line after
            // it is text as it stands, a leading blank included.
            const bool softBreak = header && header->encoding == Encoding::QuotedPrintable &&
                                   line.size() > scan.colon + 1 && line.back() == '=';
            if (!softBreak && (next.isEmpty() || !isBlank(next.front()))) {
                break;
            }
            if (!isJoined) {
                joined.resize(0);
                joined.append(first);
                isJoined = true;
            }
            if (softBreak) {
                joined.chop(1);
                joined.append(next);
            } else {
                joined.append(next.sliced(1));
            }
            lines.advance();
            if (scan.colon < 0) {
                scan.scan(joined);
                if (scan.colon >= 0) {
                    header = parseHeader(QByteArrayView(joined).first(scan.colon));
                }
            }
        }
        const QByteArrayView line = isJoined ? QByteArrayView(joined) : first;
        if (scan.colon < 0) {
            scan.settle();
            if (scan.colon >= 0) {
                header = parseHeader(line.first(scan.colon));
            }
        }
        if (header) {
            fillProperty(properties.emplace_back(), std::move(*header), line.sliced(scan.colon + 1), decoded);
        }
    }
}

}  // namespace zt
