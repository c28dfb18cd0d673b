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

// A property no output carries, as the loss report shows it: a binary value
// (a photo, a sound) by its size, for its bytes mean nothing on a line of
// text; every picture format starts with a control byte within its first few.
void addUncarried(const CardProperty& property, Person& p) {
    const auto same = [&property](const UncarriedProperty& u) { return u.name == property.name; };
    if ((property.value.isEmpty() && property.binary.isEmpty()) ||
        std::any_of(p.uncarried.begin(), p.uncarried.end(), same)) {
        return;
    }
    const bool binary = std::any_of(property.binary.begin(), property.binary.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\r' && c != '\n';
    });
    p.uncarried.append(
        {property.name, binary ? QString::number(property.binary.size()) + u" バイト"_s : property.value});
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
            setIfEmpty(facts.shownName, property.value);
            break;
        case Known::N:
            if (facts.n.isEmpty()) {
                facts.n = QStringList{property.part(0), property.part(1), property.part(2), property.part(3),
                                      property.part(4)};
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
            setIfEmpty(p.nickname, property.value);
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
            if (p.birthday.isNull()) {
                p.birthday = birthday(value);
            }
            break;
        case Known::Title:
            setIfEmpty(facts.title, value);
            break;
        case Known::Org:
            if (facts.org == nullptr && !value.isEmpty()) {
                facts.org = &property;
            }
            break;
        default:
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

// The stored company, department and title, else the card's. ORG written
// with a charset is not read by the import; its company would otherwise be
// lost from these outputs.
void settleWork(Person& p, const CardFacts& card) {
    setIfEmpty(p.title, card.title);
    if (card.org != nullptr && p.company.isEmpty() && p.department.isEmpty()) {
        p.company = card.org->part(0);
        QStringList units = card.org->parts.mid(1);
        while (!units.isEmpty() && units.last().isEmpty()) {
            units.removeLast();
        }
        p.department = units.join(u';');
    }
}

// アドレス first, then the card's others, each address once with all its types.
void settleEmails(Person& p) {
    QList<TypedValue> emails;
    if (!p.address.isEmpty()) {
        emails.append({p.address, {}});
    }
    for (const TypedValue& email : std::as_const(p.emails)) {
        const auto same = [&email](const TypedValue& e) { return e.value == email.value; };
        if (const auto found = std::find_if(emails.begin(), emails.end(), same); found != emails.end()) {
            found->types += email.types;
        } else {
            emails.append(email);
        }
    }
    p.emails = emails;
}

// A key that no other pair shares: NULL, and each text's length, written out.
QByteArray pairKey(const StoredPerson& stored) {
    QByteArray key;
    for (const QByteArray& text : {stored.name, stored.address}) {
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

// Settles the person's name and shown name; false when it has nothing a mail
// program can hold.
bool settleName(Person& p, const StoredPerson& stored, const CardFacts& card) {
    const bool hasN = card.n.size() == 5 && !(card.n[0].isEmpty() && card.n[1].isEmpty());
    QString name = QString::fromUtf8(stored.name);
    setIfEmpty(name, card.shownName);
    if (name.isEmpty() && hasN) {
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
    if (hasN) {
        p.familyName = card.n[0];
        p.givenName = card.n[1];
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

}  // namespace

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
    settleWork(p, card);
    settleEmails(p);
    if (!settleName(p, stored, card)) {
        return false;
    }
    p.uid = QUuid::createUuidV5(kUidNamespace, pairKey(stored));
    return true;
}

}  // namespace zt
