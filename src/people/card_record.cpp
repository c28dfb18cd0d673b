#include "people/card_record.h"

#include <QtEndian>
#include <optional>

#include "platform/error.h"

namespace zt {

namespace {

// The first byte of every record. A record that changes its layout takes the
// next number, and the store's upgrade rewrites the older ones.
constexpr quint8 kRecordVersion = 2;

// Each kind of record names its fields once, for both directions.
template <class Stream, class T>
void fields(Stream& s, T& v) requires std::is_same_v<std::remove_const_t<T>, TypedValue> {
    s % v.value % v.types;
}
template <class Stream, class T>
void fields(Stream& s, T& a) requires std::is_same_v<std::remove_const_t<T>, PostalAddress> {
    s % a.poBox % a.extended % a.street % a.locality % a.region % a.code % a.country % a.types;
}
template <class Stream, class T>
void fields(Stream& s, T& u) requires std::is_same_v<std::remove_const_t<T>, UncarriedProperty> {
    s % u.name % u.value;
}
template <class Stream, class T>
void fields(Stream& s, T& o) requires std::is_same_v<std::remove_const_t<T>, Organisation> {
    s % o.company % o.units % o.department;
}
template <class Stream, class T>
void fields(Stream& s, T& card) requires std::is_same_v<std::remove_const_t<T>, CardPerson> {
    auto& p = card.person;
    s % card.fn % card.n % card.title % card.org % card.uid % p.phoneticFamily % p.phoneticGiven %
        p.nickname % p.emails % p.phones % p.postalAddresses % p.webPages % p.note % p.birthday % p.uid %
        p.uncarried;
}
template <class Stream, class T>
void fields(Stream& s, T& p) requires std::is_same_v<std::remove_const_t<T>, Person> {
    s % p.shownName % p.familyName % p.givenName % p.middleName % p.prefix % p.suffix % p.namesFromCard %
        p.phoneticFamily % p.phoneticGiven % p.nickname % p.address % p.emails % p.company % p.department %
        p.units % p.title % p.phones % p.postalAddresses % p.webPages % p.note % p.birthday % p.groups %
        p.uid % p.uncarried % p.nameless;
}

// A record is a flat run of items in the order `fields` gives: a text as its
// UTF-8 length (32 bits, little-endian) and bytes, a list as its length and
// its items, a date as its Julian day (64 bits), a UID as its 16 bytes, a
// flag as a byte, a value that may be absent as a flag and the value.
// Made by hand, where QDataStream's and QCborStreamReader's texts went
// through a device or in chunks, one call at a time: reading the people of
// the bench's 3,000 cards took 349 and 299 million instructions with those
// (180 and 173 million of them the records), 193 million with this (66), and
// every person output reads every record once.
struct Writer {
    QByteArray& out;

    template <class Int>
    void number(Int n) {
        const auto value = qToLittleEndian(n);
        out.append(reinterpret_cast<const char*>(&value), sizeof value);
    }
    Writer& operator%(const QString& text) {
        const QByteArray utf8 = text.toUtf8();
        number(quint32(utf8.size()));
        out += utf8;
        return *this;
    }
    Writer& operator%(const QDate& date) {
        number(qint64(date.toJulianDay()));  // a null date's is a number no real date has
        return *this;
    }
    Writer& operator%(const QUuid& uid) {
        out += uid.toRfc4122();
        return *this;
    }
    Writer& operator%(bool flag) {
        out += char(flag ? 1 : 0);
        return *this;
    }
    template <class T>
    Writer& operator%(const std::optional<T>& value) {
        *this % value.has_value();
        if (value) {
            *this % *value;
        }
        return *this;
    }
    template <class T>
    Writer& operator%(const QList<T>& list) {
        number(quint32(list.size()));
        for (const T& item : list) {
            *this % item;
        }
        return *this;
    }
    template <class T>
    Writer& operator%(const T& record) {
        fields(*this, record);
        return *this;
    }
};

// Stops at the first item that would read past the record's end: a damaged
// length never reads memory that is not the record's.
struct Reader {
    QByteArrayView in;
    bool ok = true;

    QByteArrayView take(qsizetype size) {
        ok = ok && size >= 0 && size <= in.size();
        if (!ok) {
            return {};
        }
        const QByteArrayView taken = in.first(size);
        in = in.sliced(size);
        return taken;
    }
    template <class Int>
    Int number() {
        const QByteArrayView bytes = take(sizeof(Int));
        return ok ? qFromLittleEndian<Int>(bytes.data()) : Int();
    }
    Reader& operator%(QString& text) {
        const auto size = number<quint32>();
        text = QString::fromUtf8(take(ok ? qsizetype(size) : 0));
        return *this;
    }
    Reader& operator%(QDate& date) {
        date = QDate::fromJulianDay(number<qint64>());
        return *this;
    }
    Reader& operator%(QUuid& uid) {
        const QByteArrayView bytes = take(16);
        uid = ok ? QUuid::fromRfc4122(bytes) : QUuid();
        return *this;
    }
    Reader& operator%(bool& flag) {
        const auto byte = number<quint8>();
        ok = ok && byte <= 1;
        flag = byte == 1;
        return *this;
    }
    template <class T>
    Reader& operator%(std::optional<T>& value) {
        bool present = false;
        *this % present;
        if (present) {
            *this % value.emplace();
        }
        return *this;
    }
    template <class T>
    Reader& operator%(QList<T>& list) {
        // Each item takes a byte at least: a count beyond that is damage.
        const auto size = number<quint32>();
        ok = ok && size <= quint32(in.size());
        for (quint32 i = 0; ok && i < size; ++i) {
            *this % list.emplace_back();
        }
        return *this;
    }
    template <class T>
    Reader& operator%(T& record) {
        fields(*this, record);
        return *this;
    }
};

template <class T>
QByteArray record(const T& item) {
    QByteArray bytes;
    Writer w{bytes};
    w.number(kRecordVersion);
    w % item;
    return bytes;
}

template <class T>
T fromRecord(QByteArrayView bytes) {
    Reader r{bytes};
    T item;
    if (r.number<quint8>() == kRecordVersion) {
        r % item;
    } else {
        r.ok = false;
    }
    if (!r.ok || !r.in.isEmpty()) {
        throw Error(
            QStringLiteral("作業用データベースの人物の記録が壊れています。取り込みをやり直してください。"));
    }
    return item;
}

}  // namespace

QByteArray cardRecord(const CardPerson& card) {
    return record(card);
}

CardPerson fromCardRecord(QByteArrayView bytes) {
    return fromRecord<CardPerson>(bytes);
}

QByteArray personRecord(const Person& p) {
    return record(p);
}

Person fromPersonRecord(QByteArrayView bytes) {
    return fromRecord<Person>(bytes);
}

}  // namespace zt
