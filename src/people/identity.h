#pragma once

#include <QByteArray>
#include <QUuid>

#include "card/card_person.h"

// Who an entry is: the one rule that says which entries are one person.
namespace zt {

// Who the entry is, from its stored name and address (the database's UTF-8,
// a null QByteArray for NULL, apart from the empty text) and the card it was
// stored with (none for an entry stored without one). Entries with equal keys
// are one person. The key is the stored pair, each the card's own where the
// plain line was missing: its name in any form (CardPerson::name) and its
// first e-mail address. Empty when the card gives neither a name nor an
// address: that card is a person of its own.
QByteArray personKey(const QByteArray& name, const QByteArray& address, const CardPerson* card);

// The UID a card's person is written with: the card's own, kept where it is
// one of ours to write, else one made from it; else one made from who the
// person is, `key`; else from the card's bytes. The same person keeps it from
// run to run.
QUuid personUid(const QString& cardUid, const QByteArray& key, QByteArrayView cardBytes);

}  // namespace zt
