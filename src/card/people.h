#pragma once

#include <functional>
#include <vector>

#include "card/name_rule.h"
#include "card/person.h"
#include "db/database.h"

// The reader of people: every person of 出力情報, one at a time, for the
// writers of the mail programs' formats.
namespace zt {

// Every person of 出力情報 that has a name, an e-mail address, a company or a
// phone, in the order of the pair's first row, with that row's company,
// department and title, its card's further properties, and the groups of all
// the pair's rows; readPerson (card_person.h) says what makes each. The pairs
// come from the query 出力人物; each card is read when its person's turn comes.
// Throws zt::Error as the database does.
std::vector<Person> readPeople(Database& db);

// The people of readPeople in the same order, handed to `take` one at a time:
// a writer holds one whole person at a time, however large the address book.
void forEachPerson(Database& db, const std::function<void(const Person&)>& take);

}  // namespace zt
