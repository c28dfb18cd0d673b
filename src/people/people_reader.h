#pragma once

#include <vector>

#include "card/person.h"
#include "db/database.h"

// The reader of people: every person of the working database, one at a time,
// for the writers of the mail programs' formats. It reads what the import
// stored of each card and parses no card.
namespace zt {

// Every person of the stored entries that has a name, an e-mail address, a
// company or a phone, handed to `take` one at a time, so that a writer holds
// one whole person at a time however large the address book. Entries are one
// person when they share the 人物 the import stored (personKey); any other
// entry is a person of its own; 出力人物 lists them in the outputs' order. A
// person is its first-stored entry (assemblePerson) with what its later
// entries add (PersonMerge) and the groups of all their memberships: the one
// stored with each card, or for an entry stored before that was kept, every
// one of its name and address. No two people share a UID. Throws zt::Error
// as the database does.
void forEachPerson(Database& db, const PersonSink& take);

// The same people, all at once.
std::vector<Person> readPeople(Database& db);

// The people of `db` as the writers take them; `db` must outlive the source.
PersonSource peopleOf(Database& db);

}  // namespace zt
