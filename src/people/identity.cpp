#include "people/identity.h"

namespace zt {

namespace {

// A key that no other pair shares: NULL, and each text's length, written out.
QByteArray pairKey(const QByteArray& name, const QByteArray& address) {
    QByteArray key;
    for (const QByteArray& text : {name, address}) {
        if (text.isNull()) {
            key += 'N';
        } else {
            key += 'T' + QByteArray::number(text.size()) + ':' + text;
        }
    }
    return key;
}

// Ours alone, so that no other program's names give our UIDs.
const QUuid kUidNamespace(u"6f1c2a0e-58d4-4a9b-9c3e-2b7d0f4e8a51");

}  // namespace

QByteArray personKey(const QByteArray& name, const QByteArray& address, const CardPerson* card) {
    if (card == nullptr || (!name.isEmpty() && !address.isEmpty())) {
        return pairKey(name, address);
    }
    const QList<TypedValue>& emails = card->person.emails;
    const QByteArray cardName = name.isEmpty() ? card->name().toUtf8() : name;
    const QByteArray cardAddress = !address.isEmpty() ? address
                                   : emails.isEmpty() ? QByteArray()
                                                      : emails.first().value.toUtf8();
    if (cardName.isEmpty() && cardAddress.isEmpty()) {
        return QByteArray();
    }
    return pairKey(cardName.isNull() ? QByteArray("") : cardName,
                   cardAddress.isNull() ? QByteArray("") : cardAddress);
}

QUuid personUid(const QString& cardUid, const QByteArray& key, QByteArrayView cardBytes) {
    if (!cardUid.isEmpty()) {
        QStringView text(cardUid);
        if (text.startsWith(u"urn:uuid:", Qt::CaseInsensitive)) {
            text = text.sliced(9);
        }
        const QUuid own = QUuid::fromString(text);
        return own.isNull() ? QUuid::createUuidV5(kUidNamespace, "UID:" + cardUid.toUtf8()) : own;
    }
    if (!key.isEmpty()) {
        return QUuid::createUuidV5(kUidNamespace, key);
    }
    return QUuid::createUuidV5(kUidNamespace, "CARD:" + cardBytes.toByteArray());
}

}  // namespace zt
