#include "people/card_record.h"

#include <QDataStream>
#include <QIODevice>

#include "platform/error.h"

namespace zt {

// Found by argument-dependent lookup, as QList's own operators look for them.
static QDataStream& operator<<(QDataStream& s, const TypedValue& v) {
    return s << v.value << v.types;
}
static QDataStream& operator>>(QDataStream& s, TypedValue& v) {
    return s >> v.value >> v.types;
}
static QDataStream& operator<<(QDataStream& s, const PostalAddress& a) {
    return s << a.poBox << a.extended << a.street << a.locality << a.region << a.code << a.country << a.types;
}
static QDataStream& operator>>(QDataStream& s, PostalAddress& a) {
    return s >> a.poBox >> a.extended >> a.street >> a.locality >> a.region >> a.code >> a.country >> a.types;
}
static QDataStream& operator<<(QDataStream& s, const UncarriedProperty& u) {
    return s << u.name << u.value;
}
static QDataStream& operator>>(QDataStream& s, UncarriedProperty& u) {
    return s >> u.name >> u.value;
}

namespace {

// The first byte of every record. A record that changes its layout takes the
// next number, and the store's upgrade rewrites the older ones.
constexpr quint8 kRecordVersion = 1;
// Fixed, so that a record reads the same whichever Qt wrote it.
constexpr QDataStream::Version kStreamVersion = QDataStream::Qt_6_4;

// Both directions name the fields once, in one order.
template <class Stream, class Card>
void fields(Stream& s, Card& card) {
    auto& p = card.person;
    s % card.fn % card.n % card.title % card.org % card.uid % p.phoneticFamily % p.phoneticGiven %
        p.nickname % p.emails % p.phones % p.postalAddresses % p.webPages % p.note % p.birthday % p.uid %
        p.uncarried;
}

struct Writer {
    QDataStream& s;
    template <class T>
    Writer& operator%(const T& value) {
        s << value;
        return *this;
    }
};

struct Reader {
    QDataStream& s;
    template <class T>
    Reader& operator%(T& value) {
        s >> value;
        return *this;
    }
};

}  // namespace

QByteArray cardRecord(const CardPerson& card) {
    QByteArray record;
    QDataStream s(&record, QIODevice::WriteOnly);
    s.setVersion(kStreamVersion);
    s << kRecordVersion;
    Writer w{s};
    fields(w, card);
    return record;
}

CardPerson fromCardRecord(QByteArrayView record) {
    const QByteArray bytes = QByteArray::fromRawData(record.data(), record.size());
    QDataStream s(bytes);
    s.setVersion(kStreamVersion);
    quint8 version = 0;
    s >> version;
    CardPerson card;
    if (version == kRecordVersion) {
        Reader r{s};
        fields(r, card);
    }
    if (version != kRecordVersion || s.status() != QDataStream::Ok || !s.atEnd()) {
        throw Error(
            QStringLiteral("作業用データベースの人物の記録が壊れています。取り込みをやり直してください。"));
    }
    return card;
}

}  // namespace zt
