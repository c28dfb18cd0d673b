#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <array>
#include <functional>

#include "card/card_person.h"
#include "card/card_properties.h"

// Parsing of the two text files of an address book group folder: the card file
// (`*.nrk`) and the index file `Group.idx`. Pure functions over text; finding
// the files and storing what they hold is the importer's business.
namespace zt {

class AnsiTextReader;

struct Card {
    CardFields fields;  // what the stored tables keep of it
    // The card as the file holds it, undecoded: every line from the one after
    // the previous card (or the file's start) through its END:VCARD line, line
    // ends as written.
    QByteArray bytes;
    CardPerson person;  // what it says of its person
};

// Reads every card of a card file, in file order, and hands each to `take`:
// the file is walked once, each line read for the card's bounds, its fields
// and its person together, with one answer to which lines an AGENT embeds.
// A card ends at a line whose first nine characters are "END:VCARD" in any
// case, or just before a line that starts "BEGIN:VCARD" (any case) once the
// card has had one: a card that lacks its END does not swallow the next. The
// lines of a card an AGENT embeds (EmbeddedCards) end and begin no card.
// Lines after the last "END:VCARD" form a card (up to the file's end) when
// they hold any line but a blank one or BEGIN:VCARD: a last card that merely
// lacks its END:VCARD is kept whole. Returns the number of cards.
qsizetype readCards(AnsiTextReader& reader, const std::function<void(Card&&)>& take);

// An index line holds up to eight TAB-separated fields; slot n is field n+1.
using TabFields = std::array<QString, 8>;

// Splits one index line into `fields`, which start empty for every line so that
// nothing of an earlier line carries over. Fields past the eighth are ignored.
// Returns how many slots the line filled (1 to 8).
int SplitTabFields(QStringView line, TabFields& fields);

}  // namespace zt
