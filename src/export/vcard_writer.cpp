#include "export/vcard_writer.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QStringEncoder>
#include <QStringList>
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "export/field_positions.h"
#include "platform/text_file_writer.h"

namespace zt {

namespace {

// The octets a physical line may hold, its CR LF not counted.
constexpr qsizetype kMaxLineOctets = 75;

// QByteArray's own append goes through its general insert, which costs more
// than the few octets it appends here.
inline void appendOctets(QByteArray& out, QByteArrayView octets) {
    const qsizetype at = out.size();
    out.resize(at + octets.size());
    std::memcpy(out.data() + at, octets.data(), octets.size());
}

// Builds the file's lines straight in UTF-8. Escaping and folding both work on
// the encoded octets: every character they look for is ASCII, and no octet of
// a multi-octet UTF-8 sequence is.
class LineBuilder {
public:
    explicit LineBuilder(QByteArray& out) : out_(out) {}

    // Starts a logical line with its property name and colon.
    void begin(QByteArrayView property) {
        start_ = out_.size();
        appendOctets(out_, property);
    }

    // Appends a value: backslash, comma and semicolon escaped, each line
    // break (CR LF, LF or a lone CR) written as "\n".
    void value(QStringView text) {
        if (text.isEmpty()) {
            return;
        }
        const qsizetype at = out_.size();
        out_.resize(at + utf8_.requiredSpace(text.size()));
        const char* const end = utf8_.appendToBuffer(out_.data() + at, text);
        out_.resize(end - out_.constData());
        const QByteArrayView encoded = QByteArrayView(out_).sliced(at);
        if (std::none_of(encoded.begin(), encoded.end(), isSpecial)) {
            return;  // the common case: nothing to escape
        }
        spare_ = encoded.toByteArray();
        out_.truncate(at);
        for (qsizetype i = 0; i < spare_.size(); ++i) {
            const char c = spare_[i];
            if (c == '\r' || c == '\n') {
                out_ += "\\n";
                if (c == '\r' && i + 1 < spare_.size() && spare_[i + 1] == '\n') {
                    ++i;
                }
            } else {
                if (isSpecial(c)) {
                    out_ += '\\';
                }
                out_ += c;
            }
        }
    }

    // A separator the format itself puts between values, never escaped.
    void separator(char c) { appendOctets(out_, QByteArrayView(&c, 1)); }

    // Ends the logical line: folded where it would pass kMaxLineOctets octets
    // (CR LF and a space before the octet that would pass it, never inside a
    // character), then CR LF.
    void end() {
        if (out_.size() - start_ > kMaxLineOctets) {
            spare_ = QByteArrayView(out_).sliced(start_).toByteArray();
            out_.truncate(start_);
            const QByteArrayView line(spare_);
            qsizetype from = 0;
            qsizetype room = kMaxLineOctets;
            while (line.size() - from > room) {
                qsizetype cut = from + room;
                // A continuation octet: the character began earlier. There
                // are at most three in a row, so `cut` stays past `from`.
                while ((static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) {
                    --cut;
                }
                out_ += line.sliced(from, cut - from);
                out_ += "\r\n ";
                from = cut;
                room = kMaxLineOctets - 1;  // after the space
            }
            out_ += line.sliced(from);
        }
        appendOctets(out_, "\r\n");
    }

private:
    static bool isSpecial(char c) { return c == '\\' || c == ',' || c == ';' || c == '\r' || c == '\n'; }

    QByteArray& out_;
    qsizetype start_ = 0;
    // Stateless: a value never carries half a character over into the next.
    QStringEncoder utf8_{QStringEncoder::Utf8, QStringEncoder::Flag::Stateless};
    QByteArray spare_;
};

// Text that stays where it is put, for the keys of the map from pair to card.
// Keys of their own would be two strings per card, each allocated and freed
// alone: with 100,000 cards that cost more than the map itself.
class StableText {
public:
    QStringView keep(QStringView text) {
        if (text.isEmpty()) {
            return {};
        }
        if (blocks_.empty() || room_ < text.size()) {
            const qsizetype size = std::max<qsizetype>(kBlock, text.size());
            blocks_.push_back(std::make_unique<char16_t[]>(size));
            next_ = blocks_.back().get();
            room_ = size;
        }
        std::copy(text.utf16(), text.utf16() + text.size(), next_);
        const QStringView kept(next_, text.size());
        next_ += text.size();
        room_ -= text.size();
        return kept;
    }

    // Everything kept after a mark can be given back, as long as nothing
    // views into it.
    struct Mark {
        std::size_t blocks;
        char16_t* next;
        qsizetype room;
    };
    Mark mark() const { return {blocks_.size(), next_, room_}; }
    void release(const Mark& mark) {
        blocks_.resize(mark.blocks);
        next_ = mark.next;
        room_ = mark.room;
    }

private:
    static constexpr qsizetype kBlock = 64 * 1024;
    std::vector<std::unique_ptr<char16_t[]>> blocks_;
    char16_t* next_ = nullptr;
    qsizetype room_ = 0;
};

// A card as its pair's first row gives it. Its lines up to TITLE are kept as
// the file's bytes in one buffer for all cards, for the same reason.
struct Card {
    qsizetype from = 0;  // its lines in the shared buffer
    qsizetype size = 0;
    // Positions in the list of group names, in the order the rows bring them.
    // Most people stand in one group, which then needs no list of its own.
    int firstGroup = -1;
    QList<int> moreGroups;

    void addGroup(int group) {
        if (firstGroup < 0) {
            firstGroup = group;
        } else if (group != firstGroup && !moreGroups.contains(group)) {
            moreGroups.append(group);
        }
    }
};

}  // namespace

void writeVCard(Database& db, const QString& path) {
    Recordset rows = db.OpenRecordset(QStringLiteral("SELECT * FROM 出力情報"));
    const auto fields = fieldPositions(rows, kOutputFields);
    enum { Group, Name, Address, Company, Department, Title };

    // A pair's rows need not be adjacent (a person in two groups comes once per
    // group, in stored order), so every card is gathered before the first is
    // written.
    std::vector<Card> cards;
    QByteArray cardLines;
    LineBuilder lines(cardLines);
    StableText keys;  // outlives the map whose keys view into it
    // Position in `cards` + 1, so that 0, the value a new key starts with,
    // marks a pair not met before.
    QHash<QPair<QStringView, QStringView>, std::size_t> cardOfPair;
    QHash<QString, int> groupOfName;
    QStringList groupNames;
    QString name;
    QString address;
    QString company;
    QString value;
    for (; !rows.Eof(); rows.MoveNext()) {
        name = rows.Text(fields[Name]);
        address = rows.Text(fields[Address]);
        // The pair's text is kept before the lookup, so that the lookup that
        // finds a pair new also stores it; a pair met before gives it back.
        const StableText::Mark mark = keys.mark();
        std::size_t& slot = cardOfPair[qMakePair(keys.keep(name), keys.keep(address))];
        if (slot != 0) {
            keys.release(mark);
        } else {
            slot = cards.size() + 1;
            Card& card = cards.emplace_back();
            card.from = cardLines.size();
            appendOctets(cardLines, "BEGIN:VCARD\r\nVERSION:3.0\r\n");
            const QString& shownName = name.isEmpty() ? address : name;
            lines.begin("FN:");
            lines.value(shownName);
            lines.end();
            lines.begin("N:");
            lines.value(shownName);
            lines.separator(';');  // no given name, middle name, prefix or suffix
            lines.separator(';');
            lines.separator(';');
            lines.separator(';');
            lines.end();
            if (!address.isEmpty()) {
                lines.begin("EMAIL;TYPE=INTERNET:");
                lines.value(address);
                lines.end();
            }
            company = rows.Text(fields[Company]);
            value = rows.Text(fields[Department]);
            if (!company.isEmpty() || !value.isEmpty()) {
                lines.begin("ORG:");
                lines.value(company);
                if (!value.isEmpty()) {
                    lines.separator(';');
                    lines.value(value);
                }
                lines.end();
            }
            value = rows.Text(fields[Title]);
            if (!value.isEmpty()) {
                lines.begin("TITLE:");
                lines.value(value);
                lines.end();
            }
            card.size = cardLines.size() - card.from;
        }
        // NULL reads as the empty text; an empty category names nothing either.
        value = rows.Text(fields[Group]);
        if (!value.isEmpty()) {
            auto group = groupOfName.constFind(value);
            if (group == groupOfName.constEnd()) {
                groupNames.append(value);
                group = groupOfName.insert(value, static_cast<int>(groupNames.size() - 1));
                value = QString();
            }
            cards[slot - 1].addGroup(*group);
        }
    }
    cardOfPair = {};  // the cards alone are needed from here on
    groupOfName = {};

    TextFileWriter out(path);
    QByteArray ending;
    LineBuilder endingLines(ending);
    for (const Card& card : cards) {
        out.writeBytes(QByteArrayView(cardLines).sliced(card.from, card.size));
        ending.resize(0);
        if (card.firstGroup >= 0) {
            endingLines.begin("CATEGORIES:");
            endingLines.value(groupNames[card.firstGroup]);
            for (const int group : card.moreGroups) {
                endingLines.separator(',');
                endingLines.value(groupNames[group]);
            }
            endingLines.end();
        }
        appendOctets(ending, "END:VCARD\r\n");
        out.writeBytes(ending);
    }
    out.commit();
}

}  // namespace zt
