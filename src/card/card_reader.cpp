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

std::vector<Card> readCards(AnsiTextReader& reader) {
    std::vector<Card> cards;
    // A card's bytes are one slice of the file, taken once its end is known.
    qsizetype cardStart = reader.position();
    const auto cardUpTo = [&](qsizetype end) {
        const QByteArrayView bytes = reader.slice(cardStart, end);
        cardStart = end;
        return Card{readCardFields(bytes), bytes.toByteArray()};
    };
    // Whether the card being read has had its BEGIN line: a second one means
    // its END was left out, and the card ends before it rather than taking in
    // the next person.
    bool begun = false;
    EmbeddedCards embedded;
    while (!reader.atEnd()) {
        const qsizetype lineStart = reader.position();
        const QByteArrayView line = reader.readLineBytes();
        if (embedded.inside(line)) {
            continue;
        }
        if (startsWithWord(line, "END:VCARD")) {
            cards.push_back(cardUpTo(reader.position()));
            begun = false;
        } else if (startsWithWord(line, "BEGIN:VCARD")) {
            if (begun) {
                cards.push_back(cardUpTo(lineStart));
            }
            begun = true;
        }
    }
    if (holdsAnything(reader.slice(cardStart, reader.position()))) {
        cards.push_back(cardUpTo(reader.position()));
    }
    return cards;
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
