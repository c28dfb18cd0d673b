#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <memory>

#include "card/card_person.h"
#include "db/database.h"

// A person of the outputs put together from what the store keeps of each of
// its entries, the stored fields and the interpreted card, once: when the
// import or the upgrade of an older file commits the people.
namespace zt {

// What the tables hold of one entry.
struct StoredEntry {
    QByteArray name;     // 名前 in the database's own UTF-8, NULL (a null QByteArray) apart from empty
    QByteArray address;  // アドレス, the same
    QString company;
    QString department;
    QString title;
};

// The person one entry describes, into `p`, which starts empty. `card` is the
// entry's interpreted card, none for an entry stored without one. A name is the card's first FN, else 名前,
// else its N joined. Family and given names come from the card's N when it has either, else from the shown
// name by splitName when that is the name or the e-mail address. The company, department and title are the
// card's first ORG and first TITLE, else the stored ones; a stored title the card's replaces is reported.
// A person without a name, e-mail address, company or phone is shown by what it has (Person::nameless);
// false when it has nothing a mail program can hold.
bool assemblePerson(const StoredEntry& stored, const CardPerson* card, Person& p);

// One person from the entries that make it, the first one first. Each later
// one adds its phones, e-mail addresses, postal addresses and web pages, each
// once, the types of one already there joined to its own; its note,
// birthday, name parts, readings, company and department, title and nickname
// where the person has none, and to the report where they differ; what it
// could not carry, too. Linear in what the entries hold, however many there are.
class PersonMerge {
public:
    explicit PersonMerge(Person& into);
    void add(const Person& later);

private:
    Person& into_;
    // Where each value already stands in its list.
    QHash<QString, qsizetype> emails_, phones_, webPages_, postalAddresses_;
};

// Each entry's interpreted card, as cardRecord made it, by the entry's rowid:
// what the import and the upgrade hold until the people are committed.
using EntryCards = QHash<qint64, QByteArray>;

// Puts each person of 出力人物 together once and stores it in 人物記録, in
// place of what was there: its first-stored entry (assemblePerson), what its
// later entries add (PersonMerge), the groups of all their memberships (the
// one stored with each card, or for an entry stored before that was kept,
// every one of its name and address), and a UID no earlier person has.
// `cards` holds the cards of the entries that have one. Runs in the caller's
// transaction, once every entry's fields are final. Throws zt::Error as the
// database does.
void commitPeople(Database& db, const EntryCards& cards);

// What the outputs write of an entry without a record (another program's,
// or one whose record went with a row another program changed): its fields,
// as of an entry stored without a card, and the groups of its memberships.
class PeopleOfFields {
public:
    explicit PeopleOfFields(Database& db);
    ~PeopleOfFields();
    // The entry at `rowid` into `p`, which starts empty; false when it has
    // nothing a mail program can hold.
    bool read(qint64 rowid, Person& p);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace zt
