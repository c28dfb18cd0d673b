#include "card/card_reader.h"

#include <QRegularExpression>

#include "platform/ansi_text_file.h"
#include "platform/cp932.h"

namespace zt {

using namespace Qt::StringLiterals;

namespace {

// Whether the lines after the last card give it anything: a last card that
// merely lacks its END:VCARD is kept whole, where trailing blank lines or a
// lone BEGIN:VCARD add nothing.
bool holdsAnything(QByteArrayView bytes) {
    for (const QString& line :
         cp932::decode(bytes.data(), bytes.size()).split(QRegularExpression(u"[\r\n]"_s))) {
        if (!line.trimmed().isEmpty() && !line.startsWith(u"BEGIN:VCARD", Qt::CaseInsensitive)) {
            return true;
        }
    }
    return false;
}

}  // namespace

qsizetype readCards(AnsiTextReader& reader, const std::function<void(Card&&)>& take) {
    qsizetype count = 0;
    CardParser parser;
    // A card's bytes are one slice of the file, taken once its end is known.
    qsizetype cardStart = reader.position();
    const auto cardUpTo = [&](qsizetype end) {
        ParsedCard parsed = parser.finish();
        Card card{std::move(parsed.fields), reader.slice(cardStart, end).toByteArray(),
                  interpretProperties(parsed.properties)};
        cardStart = end;
        ++count;
        take(std::move(card));
    };
    // Whether the card being read has had its BEGIN line: a second one means
    // its END was left out, and the card ends before it rather than taking in
    // the next person.
    bool begun = false;
    EmbeddedCards embedded;
    while (!reader.atEnd()) {
        const qsizetype lineStart = reader.position();
        const QByteArrayView line = reader.readLineBytes();
        const bool inside = embedded.inside(line);
        const bool begins = !inside && startsWithWord(line, "BEGIN:VCARD");
        if (begins && std::exchange(begun, true)) {
            cardUpTo(lineStart);
        }
        parser.add(line, inside);
        if (!inside && startsWithWord(line, "END:VCARD")) {
            cardUpTo(reader.position());
            begun = false;
        }
    }
    if (holdsAnything(reader.slice(cardStart, reader.position()))) {
        cardUpTo(reader.position());
    }
    return count;
}

int SplitTabFields(QStringView line, TabFields& fields) {
    for (QString& field : fields) {
        field.clear();
    }
    int slot = 0;
    qsizetype start = 0;
    for (;;) {
        const qsizetype tab = line.indexOf(u'\t', start);
        if (tab < 0) {
            fields[slot] = line.mid(start).toString();
            return slot + 1;
        }
        fields[slot] = line.mid(start, tab - start).toString();
        if (slot == int(fields.size()) - 1) {
            return slot + 1;
        }
        ++slot;
        start = tab + 1;
    }
}

}  // namespace zt
