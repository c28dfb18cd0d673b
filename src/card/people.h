#pragma once

#include <functional>
#include <vector>

#include "card/name_rule.h"
#include "card/person.h"
#include "db/database.h"

// The reader of people: every person of 出力情報, one at a time, for the
// writers of the mail programs' formats.
namespace zt {

// Every person of the stored entries that has a name, an e-mail address, a
// company or a phone. Entries are one person when personKey (card_person.h)
// gives them one key; any other entry is a person of its own. A person is
// its first-stored entry as readPerson reads it, with what its later entries
// add (mergePerson) and the groups of all their memberships: the one stored
// with each card, or for an entry stored before that was kept, every one of
// its name and address. People come where their first membership was stored,
// else where their first entry was; no two share a UID. Each card is read
// when its person's turn comes. Throws zt::Error as the database does.
std::vector<Person> readPeople(Database& db);

// The people of readPeople in the same order, handed to `take` one at a time:
// a writer holds one whole person at a time, however large the address book.
void forEachPerson(Database& db, const std::function<void(const Person&)>& take);

}  // namespace zt
