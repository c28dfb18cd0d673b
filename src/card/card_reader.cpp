#include "card/card_reader.h"

#include "platform/ansi_text_file.h"

namespace zt {

namespace {

// The spelling varies ("END:vCard" is the standard's own example); the
// card file's CP932 never puts a double-byte character into these ASCII bytes.
bool startsWithWord(QByteArrayView line, QByteArrayView word) {
    return line.size() >= word.size() && line.first(word.size()).compare(word, Qt::CaseInsensitive) == 0;
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
    while (!reader.atEnd()) {
        const qsizetype lineStart = reader.position();
        const QByteArrayView line = reader.readLineBytes();
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
    if (Card last = cardUpTo(reader.position()); !last.fields.isEmpty()) {
        cards.push_back(std::move(last));
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
