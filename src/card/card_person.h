#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include "card/person.h"

// Card → person: what the stored fields and the cards of one person's
// entries make of it.
namespace zt {

// What the tables hold of a person: its pair of 出力情報 and the fields of the
// pair's first-stored entry.
struct StoredPerson {
    QByteArray name;     // 名前 in the database's own UTF-8, NULL (a null QByteArray) apart from empty
    QByteArray address;  // アドレス, the same
    QString company;
    QString department;
    QString title;
    QStringList groups;   // each once, in the order of the pair's rows
    QByteArrayView card;  // the entry's カード, null when it keeps none
};

// Who an entry is, for finding the entries of one person: the stored name
// and address, where the card lacked the plain line of either its name in
// any form (the first FN, else N by the name rule) and its first e-mail
// address. Entries with equal keys are one person. Empty when the card gives
// neither a name nor an address: that card is a person of its own. An entry
// without a card is its stored pair, NULL apart from empty.
QByteArray personKey(const StoredPerson& stored);

// The person `stored` describes, into `p`, which starts empty. A name is
// the card's first FN, else 名前, else its N joined as splitName would split
// it back. Family and given names come from the card's N when it has either,
// else from the shown name by splitName when that is the name or the e-mail
// address. The company, department and title are the card's first ORG and
// first TITLE, else the stored ones; a stored title the card's replaces, a
// further FN, N, NICKNAME, ORG or TITLE, a birthday that does not read as a
// date and every property no output carries are in p.uncarried. The UID is
// the card's own, else made from personKey, else from the card's bytes.
// False when the person has no name, e-mail address, company or phone:
// nothing a mail program can hold.
bool readPerson(const StoredPerson& stored, Person& p);

// A later card of the same person into `into`: its phones, e-mail addresses,
// postal addresses and web pages each added once; its note, birthday, name
// parts, readings, title and nickname where `into` has none, and in the report where
// they differ; what it could not carry, too.
void mergePerson(Person& into, const Person& later);

}  // namespace zt
