#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include "card/person.h"

// Card → person: what the stored fields of a pair and the card of its
// first-stored entry make of one person.
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

// The person `stored` describes, into `p`, which starts empty. A name is
// 名前, else the card's FN, else its N joined as splitName would split it
// back. Family and given names come from the card's N when it has either,
// else from the shown name by splitName when that is the name or the e-mail
// address. The company and department are the stored ones, else the card's
// first ORG with a value. False when the person has no name, e-mail address,
// company or phone: nothing a mail program can hold.
bool readPerson(const StoredPerson& stored, Person& p);

}  // namespace zt
