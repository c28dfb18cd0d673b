#include "card/card_reader.h"

#include "platform/ansi_text_file.h"
#include "platform/cp932.h"

namespace zt {

namespace {

// "ORG:" carries company ";" department. Some writers end the value with a
// further ";", which is not part of the department; anything else is.
void splitOrganisation(QStringView org, Card& card) {
    const qsizetype semicolon = org.indexOf(u';');
    if (semicolon < 0) {
        card.company = org.toString();
        card.department.clear();
        return;
    }
    card.company = org.left(semicolon).toString();
    QStringView department = org.mid(semicolon + 1);
    if (department.endsWith(u';')) {
        department.chop(1);
    }
    card.department = department.toString();
}

bool hasAnyValue(const Card& card) {
    return !card.name.isEmpty() || !card.address.isEmpty() || !card.company.isEmpty() ||
           !card.department.isEmpty();
}

}  // namespace

std::vector<Card> readCards(AnsiTextReader& reader) {
    std::vector<Card> cards;
    Card card;
    // The card's bytes are one slice of the file, taken once its end is known.
    qsizetype cardStart = reader.position();
    while (!reader.atEnd()) {
        // Only the values are decoded. The keys are ASCII, and a CP932 line
        // starts with ASCII bytes exactly when its text starts with those
        // characters (no double-byte code decodes to ASCII), so the key can
        // be matched on the bytes and the rest decoded on its own.
        const QByteArrayView line = reader.readLineBytes();
        if (line.startsWith("END:VCARD")) {
            card.bytes = reader.slice(cardStart, reader.position()).toByteArray();
            cardStart = reader.position();
            cards.push_back(std::move(card));
            card = Card();
        } else if (line.startsWith("FN:")) {
            card.name = cp932::decode(line.data() + 3, line.size() - 3);
        } else if (line.startsWith("ORG:")) {
            splitOrganisation(cp932::decode(line.data() + 4, line.size() - 4), card);
        } else if (line.startsWith("EMAIL;PREF:")) {
            card.address = cp932::decode(line.data() + 11, line.size() - 11);
        }
    }
    if (hasAnyValue(card)) {
        card.bytes = reader.slice(cardStart, reader.position()).toByteArray();
        cards.push_back(std::move(card));
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
