#pragma once

#include <QString>
#include <memory>

#include "card/card_reader.h"
#include "db/database.h"
#include "people/person_assembly.h"

// The store of people: what the import keeps of each card, interpreted once,
// beside the tables' rows, and the working database brought up to the layout
// that keeps it.
namespace zt {

// Opens the working database at `path` (Database::open) and brings a file of
// an earlier layout up to this one, in place and whole or not at all: every
// card it kept is interpreted, who each entry is stored and the people
// committed, as an import of today would. A file of a newer program is refused untouched. Throws zt::Error.
std::unique_ptr<Database> openWorkingDatabase(const QString& path);

// What the store made of one card: its entry, and the name and e-mail
// address it gives in any form (CardPerson::name, preferredEmail).
struct StoredCard {
    qint64 entry = 0;
    QString name;
    QString address;
};

// A card's value as the import stores it: absent as the empty text, NULL
// being kept for the one field the import leaves unset, the job title of an
// entry no index names.
FieldValue storedText(const QString& value);

// Stores cards, through statements prepared once for a whole import, and
// then the people they make.
class CardStore {
public:
    explicit CardStore(Database& db);
    // One card of the group folder `group`: its row of グループ情報, then its
    // entry, which names that row in 所属, says who the card is in 人物 and
    // keeps the card. What the card says of its person is held for
    // commitPeople. Absent values are stored as empty texts.
    StoredCard add(const QString& group, Card&& card);
    // Once the last card is stored and the last Group.idx line applied: each
    // person put together once and stored (zt::commitPeople).
    void commitPeople();

private:
    Database& db_;
    Statement membership_;
    Statement entry_;
    EntryCards cards_;
};

}  // namespace zt
