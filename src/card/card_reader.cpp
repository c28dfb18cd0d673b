#include "card/card_reader.h"

#include "platform/ansi_text_file.h"

namespace zt {

std::vector<Card> readCards(AnsiTextReader& reader) {
    std::vector<Card> cards;
    // A card's bytes are one slice of the file, taken once its end is known.
    qsizetype cardStart = reader.position();
    const auto cardUpTo = [&](qsizetype end) {
        const QByteArrayView bytes = reader.slice(cardStart, end);
        cardStart = end;
        return Card{readCardFields(bytes), bytes.toByteArray()};
    };
    while (!reader.atEnd()) {
        if (reader.readLineBytes().startsWith("END:VCARD")) {
            cards.push_back(cardUpTo(reader.position()));
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
