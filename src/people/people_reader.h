#pragma once

#include <vector>

#include "card/person.h"
#include "db/database.h"

// The reader of people: every person of the working database, one at a time,
// for the writers of the mail programs' formats and the list. It reads the
// people the import committed (people/person_assembly.h) and decodes them; it
// parses no card and puts nothing together.
namespace zt {

// Every person of 出力人物, in its order, that has a name, an e-mail address,
// a company or a phone, handed to `take` one at a time, so that a writer
// holds one whole person at a time however large the address book: the
// person as committed, or for one without its record (another program's
// entry, or one whose record went with a row another program changed) its
// first entry's fields. No two people share a UID. Throws zt::Error as the
// database does.
void forEachPerson(Database& db, const PersonSink& take);

// The same people, all at once.
std::vector<Person> readPeople(Database& db);

// The people of `db` as the writers take them; `db` must outlive the source.
PersonSource peopleOf(Database& db);

}  // namespace zt
