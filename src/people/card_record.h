#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include "card/card_person.h"

// The store's own versioned records: a card's person as the import read it,
// and a person as the outputs take it, each read back with no card text
// parsed and nothing put together again. A later program tells an older
// record from its own by the version.
namespace zt {

QByteArray cardRecord(const CardPerson& card);
// The card that cardRecord made `record` from. Throws zt::Error for a record
// that is damaged or of another version.
CardPerson fromCardRecord(QByteArrayView record);

QByteArray personRecord(const Person& p);
// The same for a person's record.
Person fromPersonRecord(QByteArrayView record);

}  // namespace zt
