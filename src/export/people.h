#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "db/database.h"

namespace zt {

// A person as the mail programs' formats hold one: a (名前, アドレス) pair of
// 出力情報, NULL and the empty text told apart as the query's own pairing does.
struct Person {
    QString shownName;  // 名前, or the address when 名前 is empty
    QString familyName;
    QString givenName;
    QString address;  // NULL as the empty text, as for the fields below
    QString company;
    QString department;
    QString title;
    QStringList groups;  // each once, in the order of the pair's rows
};

struct PersonName {
    QString family;
    QString given;
};

// The family and given name a shown name holds: around its one comma; else
// around its one space, the family name first when the name has any kanji or
// kana and last otherwise; else the whole name is the family name.
PersonName splitName(const QString& shownName);

// Every person of 出力情報, in the order of the pair's first row, with that
// row's company, department and title and the groups of all the pair's rows.
// Throws zt::Error as the database does.
std::vector<Person> readPeople(Database& db);

}  // namespace zt
