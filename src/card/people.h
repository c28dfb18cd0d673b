#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <functional>
#include <vector>

#include "db/database.h"

namespace zt {

// A value of which a card may hold several, with the card's types for it
// (upper case, as written: WORK, HOME, CELL, FAX, PREF…).
struct TypedValue {
    QString value;
    QStringList types;
};

// A postal address in the card's own parts.
struct PostalAddress {
    QString poBox;
    QString extended;
    QString street;
    QString locality;
    QString region;
    QString code;
    QString country;
    QStringList types;
};

// A property of the card that no output carries: a photo, a key, a role, a
// program's own X- property… The loss report names it.
struct UncarriedProperty {
    QString name;   // as readCardProperties names it: "PHOTO", "X-SOCIALPROFILE"
    QString value;  // its text; for a binary value (a photo's), its size ("12345 バイト")
};

// What kind of number a phone is, by its types, for the formats that give
// each kind a column or a label of its own.
enum class PhoneKind { Work, Home, Mobile, WorkFax, HomeFax, Pager, Other };
PhoneKind phoneKind(const TypedValue& phone);

enum class PlaceKind { Work, Home, Other };
PlaceKind placeKind(const QStringList& types);

// A person as the mail programs' formats hold one: a (名前, アドレス) pair of
// 出力情報, NULL and the empty text told apart as the query's own pairing does,
// with what the card of the pair's first-stored entry says beyond the tables.
struct Person {
    QString shownName;  // the first of: its name, its e-mail address, its company, its first phone
    QString familyName;
    QString givenName;
    QString middleName;
    QString prefix;
    QString suffix;
    QString phoneticFamily;
    QString phoneticGiven;
    QString nickname;
    QString address;           // アドレス (NULL as the empty text, as for the fields below)
    QList<TypedValue> emails;  // アドレス first, then the card's others in card order, each once
    QString company;
    QString department;
    QString title;
    QList<TypedValue> phones;  // in card order
    QList<PostalAddress> postalAddresses;
    QList<TypedValue> webPages;
    QString note;
    QDate birthday;      // null when the card has none that reads as a date
    QStringList groups;  // each once, in the order of the pair's rows
    QUuid uid;           // of the pair, NULL apart from empty: the same person keeps it from run to run
    QList<UncarriedProperty> uncarried;  // each name once, in card order
};

struct PersonName {
    QString family;
    QString given;
};

// The family and given name a shown name holds: around its one comma; else
// around its one space, the family name first when the name has any kanji or
// kana and last otherwise; else the whole name is the family name.
PersonName splitName(const QString& shownName);

// The birthday as a format writes it, `format` (a printf format) taking year,
// month and day; the empty text for a person without one. Not QDate::toString,
// which reads its format anew for every person.
QString birthdayText(const QDate& birthday, const char* format);

// A pair of 出力情報: its name and address in the database's own UTF-8, NULL
// (a null QByteArray) apart from the empty text, as the view's IS tells them.
struct PairRows {
    QByteArray name;
    QByteArray address;
    qint64 entry = 0;    // rowid of the pair's first-stored entry
    QStringList groups;  // each once, in the order of the pair's rows; empty and NULL name none
};

// Every pair of 出力情報 once, in the order of its first row there.
// Throws zt::Error as the database does.
std::vector<PairRows> readPairs(Database& db);

// Every person of 出力情報 that has a name, an e-mail address, a company or a
// phone, in the order of the pair's first row, with that row's company,
// department and title, its card's further properties, and the groups of all
// the pair's rows. A name is 名前, else the card's FN, else its N joined as
// splitName would split it back. Family and given names come from the card's
// N when it has either, else from the shown name by splitName when that is
// the name or the e-mail address. The pairs come from readPairs; each card
// is read when its person's turn comes.
// Throws zt::Error as the database does.
std::vector<Person> readPeople(Database& db);

// The people of readPeople in the same order, handed to `take` one at a time:
// a writer holds one whole person at a time, however large the address book.
void forEachPerson(Database& db, const std::function<void(const Person&)>& take);

}  // namespace zt
