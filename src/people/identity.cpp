#include "people/identity.h"

#include <QCryptographicHash>

namespace zt {

namespace {

// A key that no other pair shares: NULL, and each text's length, written out.
// The kinds of key start with a letter of their own, so none meets another.
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

QByteArray personKey(const QByteArray& name, const QByteArray& address, const CardPerson* card,
                     QByteArrayView cardBytes) {
    if (card == nullptr) {
        return 'S' + pairKey(name, address);
    }
    if (const QString email = card->preferredEmail(); !email.isEmpty()) {
        return 'P' + pairKey(card->name().toUtf8(), email.toCaseFolded().toUtf8());
    }
    // A digest stands for the bytes: two different cards meet in one only by
    // a collision of SHA-256, which no address book will see.
    QByteArray bytes = cardBytes.toByteArray();
    bytes.replace("\r\n", "\n").replace('\r', '\n');
    return 'C' + QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

QUuid personUid(const QByteArray& name, const QByteArray& address, const CardPerson* card,
                QByteArrayView cardBytes) {
    if (card == nullptr) {
        return QUuid::createUuidV5(kUidNamespace, pairKey(name, address));
    }
    if (!card->uid.isEmpty()) {
        QStringView text(card->uid);
        if (text.startsWith(u"urn:uuid:", Qt::CaseInsensitive)) {
            text = text.sliced(9);
        }
        const QUuid own = QUuid::fromString(text);
        return own.isNull() ? QUuid::createUuidV5(kUidNamespace, "UID:" + card->uid.toUtf8()) : own;
    }
    const QByteArray cardName = !name.isEmpty() ? name : card->name().toUtf8();
    const QByteArray cardAddress = !address.isEmpty() ? address : card->preferredEmail().toUtf8();
    if (cardName.isEmpty() && cardAddress.isEmpty()) {
        return QUuid::createUuidV5(kUidNamespace, "CARD:" + cardBytes.toByteArray());
    }
    return QUuid::createUuidV5(kUidNamespace, pairKey(cardName.isNull() ? QByteArray("") : cardName,
                                                      cardAddress.isNull() ? QByteArray("") : cardAddress));
}

}  // namespace zt
