#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include "card/card_person.h"

// A card's person as the store keeps it beside the card: the interpreted card
// in a record of its own making, read back with no card text parsed. The
// record is versioned, so that a later program can tell an older record from
// its own.
namespace zt {

QByteArray cardRecord(const CardPerson& card);

// The card that cardRecord made `record` from. Throws zt::Error for a record
// that is damaged or of another version.
CardPerson fromCardRecord(QByteArrayView record);

}  // namespace zt
