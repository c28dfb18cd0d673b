#pragma once

#include <QByteArray>
#include <QUuid>

#include "card/card_person.h"

// Who an entry is: the one rule that says which entries are one person.
namespace zt {

// Who the entry is. Entries with equal keys are one person: their cards give
// the same name (CardPerson::name, the name the outputs show) and the same
// e-mail address (CardPerson::preferredEmail, without regard to case), not
// an empty one; or their cards are the same card (`cardBytes`, the same
// bytes apart from line ends), filed in several groups. Any other card is a
// person of its own: two cards of one name and no address may be two
// people, and a duplicate the user merges later loses nothing where a fusion
// would. An entry stored without a card (`card` none) is known only by its
// stored name and address (the database's UTF-8, a null QByteArray for NULL,
// apart from the empty text), and entries of the same pair are one person.
QByteArray personKey(const QByteArray& name, const QByteArray& address, const CardPerson* card,
                     QByteArrayView cardBytes);

// The UID an entry's person is written with: its card's own, kept where it
// is one of ours to write, else one made from it; else one made from the
// entry's name and address, each the card's where the stored one is empty
// (the pair UIDs were always made from, so that the same person keeps its UID
// from run to run and from version to version); else from the card's bytes.
QUuid personUid(const QByteArray& name, const QByteArray& address, const CardPerson* card,
                QByteArrayView cardBytes);

}  // namespace zt
