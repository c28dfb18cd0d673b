#include "card/card_person.h"

#include <QSet>
#include <QUuid>
#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

#include "card/card_properties.h"
#include "card/name_rule.h"

namespace zt {

using namespace Qt::StringLiterals;

namespace {

// What of a card decides the person's name, company and title, kept apart
// until the stored fields are weighed.
struct CardFacts {
    QString shownName;                  // the card's first FN with a value
    QStringList n;                      // N: family, given, middle, prefix, suffix
    QString title;                      // the first TITLE with a value
    const CardProperty* org = nullptr;  // the first ORG with a value
    QString uid;                        // the first UID with a value
};

void setIfEmpty(QString& field, const QString& value) {
    if (field.isEmpty()) {
        field = value;
    }
}

// A birthday as YYYYMMDD or YYYY-MM-DD; a time after it tells nothing more.
QDate birthday(QStringView value) {
    value = value.trimmed();
    const bool dashed = value.size() >= 10 && value[4] == u'-' && value[7] == u'-';
    const QStringView written = value.first(std::min<qsizetype>(value.size(), dashed ? 10 : 8));
    if (value.size() > written.size() && value[written.size()] != u'T') {
        return {};
    }
    const QString digits = dashed ? written.toString().remove(u'-') : written.toString();
    if (digits.size() != 8 ||
        !std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; })) {
        return {};
    }
    const QDate date(digits.first(4).toInt(), digits.sliced(4, 2).toInt(), digits.sliced(6).toInt());
    return date.isValid() ? date : QDate();
}

// The format's own bookkeeping, which holds nothing of the person, and what
// the card is read for: any other property is one that no output carries.
const QSet<QString> kReadOrBookkeeping = [] {
    const QStringList names =
        u"FN N X-PHONETIC-LAST-NAME X-PHONETIC-FIRST-NAME NICKNAME EMAIL TEL ADR URL NOTE BDAY TITLE ORG "
        u"BEGIN END VERSION PRODID REV UID MAILER CLASS PROFILE NAME SOURCE SORT-STRING"_s.split(u' ');
    return QSet<QString>(names.begin(), names.end());
}();

// A property no output carries, as the loss report shows it, each
// occurrence: a binary value (a photo, a sound) by its size, for its bytes
// mean nothing on a line of text; every picture format starts with a control
// byte within its first few.
void addUncarried(const CardProperty& property, Person& p) {
    if (property.value.isEmpty() && property.binary.isEmpty()) {
        return;
    }
    const bool binary = std::any_of(property.binary.begin(), property.binary.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\r' && c != '\n';
    });
    p.uncarried.append(
        {property.name, binary ? QString::number(property.binary.size()) + u" バイト"_s : property.value});
}

// A further value of a property the outputs hold once: no output carries it.
void addSecond(const CardProperty& property, Person& p) {
    if (!property.value.isEmpty()) {
        p.uncarried.append({property.name, property.value});
    }
}

// The properties a person is read from, by family: names, contacts, postal
// addresses, the rest.
enum class Known {
    FN,
    N,
    Sound,
    PhoneticLastName,
    PhoneticFirstName,
    Nickname,
    Email,
    Tel,
    Url,
    Adr,
    Note,
    Bday,
    Title,
    Org,
    Other
};

Known known(const QString& name) {
    static constexpr std::pair<QStringView, Known> kNames[] = {
        {u"FN", Known::FN},
        {u"N", Known::N},
        {u"SOUND", Known::Sound},
        {u"X-PHONETIC-LAST-NAME", Known::PhoneticLastName},
        {u"X-PHONETIC-FIRST-NAME", Known::PhoneticFirstName},
        {u"NICKNAME", Known::Nickname},
        {u"EMAIL", Known::Email},
        {u"TEL", Known::Tel},
        {u"URL", Known::Url},
        {u"ADR", Known::Adr},
        {u"NOTE", Known::Note},
        {u"BDAY", Known::Bday},
        {u"TITLE", Known::Title},
        {u"ORG", Known::Org},
    };
    for (const auto& [text, kind] : kNames) {
        if (text == name) {
            return kind;
        }
    }
    return Known::Other;
}

// Names, readings and the nickname.
void readNames(Known kind, const CardProperty& property, Person& p, CardFacts& facts) {
    switch (kind) {
        case Known::FN:
            if (facts.shownName.isEmpty()) {
                facts.shownName = property.value;
            } else {
                addSecond(property, p);
            }
            break;
        case Known::N:
            if (facts.n.isEmpty()) {
                facts.n = QStringList{property.part(0), property.part(1), property.part(2), property.part(3),
                                      property.part(4)};
            } else {
                addSecond(property, p);
            }
            break;
        case Known::Sound:
            if (property.hasType(u"X-IRMC-N")) {
                setIfEmpty(p.phoneticFamily, property.part(0));
                setIfEmpty(p.phoneticGiven, property.part(1));
            } else {
                addUncarried(property, p);
            }
            break;
        case Known::PhoneticLastName:
            setIfEmpty(p.phoneticFamily, property.value);
            break;
        case Known::PhoneticFirstName:
            setIfEmpty(p.phoneticGiven, property.value);
            break;
        default:
            if (p.nickname.isEmpty()) {
                p.nickname = property.value;
            } else {
                addSecond(property, p);
            }
            break;
    }
}

// E-mail addresses, phones and web pages, each in card order.
void readContacts(Known kind, const CardProperty& property, Person& p) {
    QList<TypedValue>& list = kind == Known::Email ? p.emails : kind == Known::Tel ? p.phones : p.webPages;
    if (!property.value.isEmpty()) {
        list.append({property.value, property.types});
    }
}

void readPostalAddress(const CardProperty& property, Person& p) {
    const bool empty = property.parts.isEmpty() ? property.value.isEmpty()
                                                : std::all_of(property.parts.begin(), property.parts.end(),
                                                              std::mem_fn(&QString::isEmpty));
    if (!empty) {
        // Parts past the seventh are kept with the country rather than lost.
        const QString country =
            property.partCount() > 7 ? property.parts.mid(6).join(u';') : property.part(6);
        p.postalAddresses.append({property.part(0), property.part(1), property.part(2), property.part(3),
                                  property.part(4), property.part(5), country, property.types});
    }
}

// The note, the birthday, the work, and what no output carries.
void readTheRest(Known kind, const CardProperty& property, Person& p, CardFacts& facts) {
    const QString& value = property.value;
    switch (kind) {
        case Known::Note:
            // One line break between notes, whichever a card wrote, so that
            // each output writes its own.
            if (!value.isEmpty()) {
                p.note += (p.note.isEmpty() ? QString() : u"\n"_s) + value;
            }
            break;
        case Known::Bday:
            // One that does not read as a date, or a second one, is reported.
            if (const QDate date = birthday(value); p.birthday.isNull() && date.isValid()) {
                p.birthday = date;
            } else if (date != p.birthday || !date.isValid()) {
                addSecond(property, p);
            }
            break;
        case Known::Title:
            if (facts.title.isEmpty()) {
                facts.title = value;
            } else {
                addSecond(property, p);
            }
            break;
        case Known::Org:
            if (facts.org == nullptr && !value.isEmpty()) {
                facts.org = &property;
            } else {
                addSecond(property, p);
            }
            break;
        default:
            if (property.name == u"UID" && facts.uid.isEmpty()) {
                facts.uid = value.trimmed();
            }
            if (!kReadOrBookkeeping.contains(property.name)) {
                addUncarried(property, p);
            }
            break;
    }
}

// What the card says beyond the stored fields, into `p`; what only counts
// once the stored fields are weighed comes back.
CardFacts readCard(const std::vector<CardProperty>& properties, Person& p) {
    CardFacts facts;
    for (const CardProperty& property : properties) {
        const Known kind = known(property.name);
        if (kind <= Known::Nickname) {
            readNames(kind, property, p, facts);
        } else if (kind <= Known::Url) {
            readContacts(kind, property, p);
        } else if (kind == Known::Adr) {
            readPostalAddress(property, p);
        } else {
            readTheRest(kind, property, p, facts);
        }
    }
    p.note.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
    return facts;
}

// Company, department and title from one place on the card, its first ORG
// and first TITLE, its escapes undone, where the stored fields keep a line as
// it stands; the stored ones for a card without them. A title the index file
// gave that the card does not is reported, the card's being the one written.
void settleWork(Person& p, const StoredPerson& stored, const CardFacts& card) {
    if (!card.title.isEmpty()) {
        if (!p.title.isEmpty() && p.title != card.title) {
            p.uncarried.append({u"TITLE"_s, p.title});
        }
        p.title = card.title;
    }
    if (card.org != nullptr && !stored.card.isNull()) {
        p.company = card.org->part(0);
        QStringList units = card.org->parts.mid(1);
        while (!units.isEmpty() && units.last().isEmpty()) {
            units.removeLast();
        }
        p.department = units.join(u';');
        p.units = units;
    }
}

// アドレス first, then the card's others, each address once with all its types.
// Looked up by hash: a card may repeat an address any number of times.
void settleEmails(Person& p) {
    QList<TypedValue> emails;
    QHash<QString, qsizetype> at;
    if (!p.address.isEmpty()) {
        emails.append({p.address, {}});
        at.insert(p.address, 0);
    }
    for (const TypedValue& email : std::as_const(p.emails)) {
        if (const auto found = at.constFind(email.value); found != at.cend()) {
            QStringList& types = emails[*found].types;
            for (const QString& type : email.types) {
                if (!types.contains(type)) {
                    types.append(type);
                }
            }
        } else {
            at.insert(email.value, emails.size());
            emails.append(email);
        }
    }
    p.emails = emails;
}

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

bool hasN(const CardFacts& card) {
    return card.n.size() == 5 && !(card.n[0].isEmpty() && card.n[1].isEmpty());
}

// The name the card gives in any form: its first FN, else its N.
QString cardName(const CardFacts& card) {
    return !card.shownName.isEmpty() ? card.shownName
           : hasN(card)              ? joinedName(card.n[0], card.n[1])
                                     : QString();
}

// Who the stored entry is: the stored name and address, each the card's own
// (its name in any form, its first e-mail address) where the plain line was
// missing. Empty when the card gives neither: that card is a person of its own.
QByteArray identity(const StoredPerson& stored, const CardFacts& card, const QList<TypedValue>& cardEmails) {
    if (stored.card.isNull() || (!stored.name.isEmpty() && !stored.address.isEmpty())) {
        return pairKey(stored.name, stored.address);
    }
    const QByteArray name = stored.name.isEmpty() ? cardName(card).toUtf8() : stored.name;
    const QByteArray address = !stored.address.isEmpty() ? stored.address
                               : cardEmails.isEmpty()    ? QByteArray()
                                                         : cardEmails.first().value.toUtf8();
    if (name.isEmpty() && address.isEmpty()) {
        return QByteArray();
    }
    return pairKey(name.isNull() ? QByteArray("") : name, address.isNull() ? QByteArray("") : address);
}

// The card's own UID, kept when it is one of ours to write; else one made
// from it, from who the person is, or from the card's bytes.
QUuid uidOf(const StoredPerson& stored, const CardFacts& card, const QByteArray& key) {
    if (!card.uid.isEmpty()) {
        QStringView text(card.uid);
        if (text.startsWith(u"urn:uuid:", Qt::CaseInsensitive)) {
            text = text.sliced(9);
        }
        const QUuid own = QUuid::fromString(text);
        return own.isNull() ? QUuid::createUuidV5(kUidNamespace, "UID:" + card.uid.toUtf8()) : own;
    }
    if (!key.isEmpty()) {
        return QUuid::createUuidV5(kUidNamespace, key);
    }
    return QUuid::createUuidV5(kUidNamespace, "CARD:" + stored.card.toByteArray());
}

// Settles the person's name and shown name; false when it has nothing a mail
// program can hold. The card's FN comes before the stored name, which keeps
// its line as it stands, escapes and all.
bool settleName(Person& p, const StoredPerson& stored, const CardFacts& card) {
    QString name = card.shownName;
    setIfEmpty(name, QString::fromUtf8(stored.name));
    if (name.isEmpty() && hasN(card)) {
        name = joinedName(card.n[0], card.n[1]);
    }
    const QString address = p.emails.isEmpty() ? QString() : p.emails.first().value;
    const QString phone = p.phones.isEmpty() ? QString() : p.phones.first().value;
    for (const QString& candidate : {name, address, p.company, phone}) {
        if (!candidate.isEmpty()) {
            p.shownName = candidate;
            break;
        }
    }
    if (p.shownName.isEmpty()) {
        return false;
    }
    if (hasN(card)) {
        p.familyName = card.n[0];
        p.givenName = card.n[1];
        p.namesFromCard = true;
    } else if (!name.isEmpty() || !address.isEmpty()) {
        // A company or a phone is not a person's name.
        const PersonName parts = splitName(p.shownName);
        p.familyName = parts.family;
        p.givenName = parts.given;
    }
    if (card.n.size() == 5) {
        p.middleName = card.n[2];
        p.prefix = card.n[3];
        p.suffix = card.n[4];
    }
    return true;
}

// Appends each of `more` whose key `keyOf` gives is not in `list` yet.
template <class T, class KeyOf>
void addEach(QList<T>& list, const QList<T>& more, KeyOf keyOf) {
    QSet<QString> seen;
    for (const T& item : std::as_const(list)) {
        seen.insert(keyOf(item));
    }
    for (const T& item : more) {
        if (const QString key = keyOf(item); !seen.contains(key)) {
            seen.insert(key);
            list.append(item);
        }
    }
}

// A single value: the first card's, the later one when the first has none,
// and the later one reported when the two differ.
void settleSingle(QString& value, const QString& later, const QString& name, Person& into) {
    if (value.isEmpty()) {
        value = later;
    } else if (!later.isEmpty() && later != value) {
        into.uncarried.append({name, later});
    }
}

}  // namespace

QByteArray personKey(const StoredPerson& stored) {
    if (stored.card.isNull() || (!stored.name.isEmpty() && !stored.address.isEmpty())) {
        return pairKey(stored.name, stored.address);
    }
    Person scratch;
    const std::vector<CardProperty> properties = readCardProperties(stored.card);
    const CardFacts card = readCard(properties, scratch);
    return identity(stored, card, scratch.emails);
}

bool readPerson(const StoredPerson& stored, Person& p) {
    p.address = QString::fromUtf8(stored.address);
    p.company = stored.company;
    p.department = stored.department;
    p.title = stored.title;
    p.groups = stored.groups;
    std::vector<CardProperty> properties;
    if (!stored.card.isNull()) {
        properties = readCardProperties(stored.card);
    }
    const CardFacts card = readCard(properties, p);
    const QByteArray key = identity(stored, card, p.emails);
    settleWork(p, stored, card);
    settleEmails(p);
    if (!settleName(p, stored, card)) {
        return false;
    }
    p.uid = uidOf(stored, card, key);
    return true;
}

void mergePerson(Person& into, const Person& later) {
    const auto value = [](const TypedValue& v) { return v.value; };
    addEach(into.emails, later.emails, value);
    addEach(into.phones, later.phones, value);
    addEach(into.webPages, later.webPages, value);
    addEach(into.postalAddresses, later.postalAddresses, [](const PostalAddress& a) {
        return QStringList{a.poBox, a.extended, a.street, a.locality, a.region, a.code, a.country}.join(
            u'\x1f');
    });
    const QString names =
        QStringList{into.familyName, into.givenName, into.middleName, into.prefix, into.suffix}.join(u';');
    const QString laterNames =
        QStringList{later.familyName, later.givenName, later.middleName, later.prefix, later.suffix}.join(
            u';');
    if (!into.namesFromCard && later.namesFromCard) {
        into.familyName = later.familyName;
        into.givenName = later.givenName;
        into.middleName = later.middleName;
        into.prefix = later.prefix;
        into.suffix = later.suffix;
        into.namesFromCard = true;
    } else if (later.namesFromCard && laterNames != names) {
        into.uncarried.append({u"N"_s, laterNames});
    }
    settleSingle(into.phoneticFamily, later.phoneticFamily, u"SOUND"_s, into);
    settleSingle(into.phoneticGiven, later.phoneticGiven, u"SOUND"_s, into);
    settleSingle(into.note, later.note, u"NOTE"_s, into);
    settleSingle(into.title, later.title, u"TITLE"_s, into);
    settleSingle(into.nickname, later.nickname, u"NICKNAME"_s, into);
    if (into.birthday.isNull()) {
        into.birthday = later.birthday;
    } else if (later.birthday.isValid() && later.birthday != into.birthday) {
        into.uncarried.append({u"BDAY"_s, later.birthday.toString(Qt::ISODate)});
    }
    into.uncarried += later.uncarried;
}

}  // namespace zt
