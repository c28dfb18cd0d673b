#include "export/people.h"

#include <QHash>
#include <algorithm>

#include "export/card_properties.h"

namespace zt {

using namespace Qt::StringLiterals;

namespace {

bool isKanjiOrKana(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x3040 && u <= 0x30FF) || (u >= 0x3400 && u <= 0x4DBF) || (u >= 0x4E00 && u <= 0x9FFF) ||
           (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFF66 && u <= 0xFF9F);
}

bool hasKanjiOrKana(QStringView text) {
    return std::any_of(text.begin(), text.end(), isKanjiOrKana);
}

// The one separator of `text` among `separators`, or -1 when there is none or
// more than one.
qsizetype onlySeparator(QStringView text, QStringView separators) {
    const auto isSeparator = [separators](QChar c) { return separators.contains(c); };
    const auto first = std::find_if(text.begin(), text.end(), isSeparator);
    if (first == text.end() || std::find_if(first + 1, text.end(), isSeparator) != text.end()) {
        return -1;
    }
    return first - text.begin();
}

// A pair as 出力情報 pairs rows: NULL is not the empty text.
struct Pair {
    FieldValue name;
    FieldValue address;
    bool operator==(const Pair&) const = default;
};

size_t qHash(const Pair& pair, size_t seed = 0) {
    return qHashMulti(seed, pair.name.value_or(QString()), pair.address.value_or(QString()),
                      pair.name.has_value(), pair.address.has_value());
}

// What of a card decides the person's name, kept apart until the name is known.
struct CardFacts {
    QString shownName;  // the card's first FN with a value
    QStringList n;      // N: family, given, middle, prefix, suffix
};

// The part of a property's value at `index`, empty where it has fewer.
QString part(const CardProperty& property, qsizetype index) {
    return property.parts.value(index);
}

void setIfEmpty(QString& field, const QString& value) {
    if (field.isEmpty()) {
        field = value;
    }
}

// A birthday as YYYYMMDD or YYYY-MM-DD; a time after it tells nothing more.
QDate birthday(QStringView value) {
    value = value.trimmed();
    const qsizetype length = value.size() >= 10 && value[4] == u'-' ? 10 : 8;
    if (value.size() > length && value[length] != u'T') {
        return {};
    }
    return QDate::fromString(value.left(length), length == 10 ? u"yyyy-MM-dd" : u"yyyyMMdd");
}

// Whatever the card says beyond the five stored fields, into `p`; what only
// counts once the stored name is weighed comes back.
CardFacts readCard(const std::vector<CardProperty>& properties, Person& p) {
    CardFacts facts;
    QStringList notes;
    QString title;
    const CardProperty* org = nullptr;
    for (const CardProperty& property : properties) {
        const QString& name = property.name;
        const QString& value = property.value;
        if (name == u"FN") {
            setIfEmpty(facts.shownName, value);
        } else if (name == u"N" && facts.n.isEmpty()) {
            facts.n = property.parts.mid(0, 5);
            while (facts.n.size() < 5) {
                facts.n << QString();
            }
        } else if (name == u"SOUND" && property.hasType(u"X-IRMC-N")) {
            setIfEmpty(p.phoneticFamily, part(property, 0));
            setIfEmpty(p.phoneticGiven, part(property, 1));
        } else if (name == u"X-PHONETIC-LAST-NAME") {
            setIfEmpty(p.phoneticFamily, value);
        } else if (name == u"X-PHONETIC-FIRST-NAME") {
            setIfEmpty(p.phoneticGiven, value);
        } else if (name == u"NICKNAME") {
            setIfEmpty(p.nickname, value);
        } else if (name == u"EMAIL" && !value.isEmpty()) {
            p.emails.append({value, property.types});
        } else if (name == u"TEL" && !value.isEmpty()) {
            p.phones.append({value, property.types});
        } else if (name == u"ADR") {
            PostalAddress a{part(property, 0), part(property, 1), part(property, 2), part(property, 3),
                            part(property, 4), part(property, 5), part(property, 6), property.types};
            if (!(a.poBox + a.extended + a.street + a.locality + a.region + a.code + a.country).isEmpty()) {
                p.postalAddresses.append(std::move(a));
            }
        } else if (name == u"URL" && !value.isEmpty()) {
            p.webPages.append({value, property.types});
        } else if (name == u"NOTE" && !value.isEmpty()) {
            notes << value;
        } else if (name == u"BDAY" && p.birthday.isNull()) {
            p.birthday = birthday(value);
        } else if (name == u"TITLE") {
            setIfEmpty(title, value);
        } else if (name == u"ORG" && org == nullptr && !value.isEmpty()) {
            org = &property;
        }
    }
    // One line break, whichever a card wrote, so that each output writes its own.
    p.note = notes.join(u'\n').replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
    setIfEmpty(p.title, title);
    // ORG written with a charset is not read by the import; its company would
    // otherwise be lost from these outputs.
    if (org != nullptr && p.company.isEmpty() && p.department.isEmpty()) {
        p.company = part(*org, 0);
        QStringList units = org->parts.mid(1);
        while (!units.isEmpty() && units.last().isEmpty()) {
            units.removeLast();
        }
        p.department = units.join(u';');
    }
    return facts;
}

// Family and given name joined so that splitName gives them back.
QString joinedName(const QString& family, const QString& given) {
    if (family.isEmpty() || given.isEmpty()) {
        return family + given;
    }
    return hasKanjiOrKana(family + given) ? family + u' ' + given : given + u' ' + family;
}

// A key that no other pair shares: NULL, and each text's length, written out.
QByteArray pairKey(const Pair& pair) {
    QByteArray key;
    for (const FieldValue& field : {pair.name, pair.address}) {
        const QByteArray text = field.value_or(QString()).toUtf8();
        key += field ? 'T' + QByteArray::number(text.size()) + ':' + text : QByteArray("N");
    }
    return key;
}

// Ours alone, so that no other program's names give our UIDs.
const QUuid kUidNamespace(u"6f1c2a0e-58d4-4a9b-9c3e-2b7d0f4e8a51");

// Settles the person's name, e-mail addresses and shown name; false when it
// has nothing a mail program can hold.
bool complete(Person& p, const Pair& pair, const CardFacts& card) {
    const bool hasN = card.n.size() == 5 && !(card.n[0].isEmpty() && card.n[1].isEmpty());
    QString name = pair.name.value_or(QString());
    setIfEmpty(name, card.shownName);
    if (name.isEmpty() && hasN) {
        name = joinedName(card.n[0], card.n[1]);
    }
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
    p.uid = QUuid::createUuidV5(kUidNamespace, pairKey(pair));
    return true;
}

}  // namespace

PersonName splitName(const QString& shownName) {
    // Blanks at the ends carry no part of a name; left in, " Ken Ito" would
    // count two spaces and stay whole.
    const QString name = shownName.trimmed();
    if (const qsizetype comma = onlySeparator(name, u",，"); comma >= 0) {
        PersonName parts{name.left(comma).trimmed(), name.mid(comma + 1).trimmed()};
        if (!parts.family.isEmpty() && !parts.given.isEmpty()) {
            return parts;
        }
    }
    if (const qsizetype space = onlySeparator(name, u" \u3000"); space >= 0) {
        const QString before = name.left(space);
        const QString after = name.mid(space + 1);
        if (hasKanjiOrKana(name)) {
            return {before, after};
        }
        return {after, before};
    }
    return {name, QString()};
}

PhoneKind phoneKind(const TypedValue& phone) {
    const QStringList& t = phone.types;
    if (t.contains(u"FAX"_s)) {
        return t.contains(u"HOME"_s) ? PhoneKind::HomeFax : PhoneKind::WorkFax;
    }
    if (t.contains(u"CELL"_s)) {
        return PhoneKind::Mobile;
    }
    if (t.contains(u"PAGER"_s)) {
        return PhoneKind::Pager;
    }
    if (t.contains(u"WORK"_s)) {
        return PhoneKind::Work;
    }
    return t.contains(u"HOME"_s) ? PhoneKind::Home : PhoneKind::Other;
}

PlaceKind placeKind(const QStringList& types) {
    if (types.contains(u"WORK"_s)) {
        return PlaceKind::Work;
    }
    return types.contains(u"HOME"_s) ? PlaceKind::Home : PlaceKind::Other;
}

std::vector<Person> readPeople(Database& db) {
    Recordset rows = db.OpenRecordset(
        QStringLiteral("SELECT グループ, 名前, アドレス, 会社名, 部署名, 役職 FROM 出力情報"));
    enum { Group, Name, Address, Company, Department, Title };
    std::vector<Person> people;
    std::vector<Pair> pairs;  // of people, position for position
    // A pair's rows need not be adjacent (a person in two groups comes once
    // per group, in stored order), so every person is gathered before the
    // first is written. Position in `people` + 1, 0 marking a pair not met.
    QHash<Pair, std::size_t> personOfPair;
    for (; !rows.Eof(); rows.MoveNext()) {
        const Pair pair{rows.Fields(Name), rows.Fields(Address)};
        std::size_t& slot = personOfPair[pair];
        if (slot == 0) {
            slot = people.size() + 1;
            pairs.push_back(pair);
            Person& p = people.emplace_back();
            p.address = pair.address.value_or(QString());
            p.company = rows.Text(Company);
            p.department = rows.Text(Department);
            p.title = rows.Text(Title);
        }
        // An empty group names no group, any more than NULL does.
        const QString group = rows.Text(Group);
        QStringList& groups = people[slot - 1].groups;
        if (!group.isEmpty() && !groups.contains(group)) {
            groups.append(group);
        }
    }

    // The first-stored entry of each pair, found as 出力情報 finds it: a seek
    // that stops at its first hit, so a thousand copies of a card stay linear.
    Recordset entries = db.OpenRecordset(
        QStringLiteral("SELECT 名前, アドレス, カード FROM アドレス情報 AS e "
                       "WHERE NOT EXISTS (SELECT 1 FROM アドレス情報 AS x "
                       "WHERE x.名前 IS e.名前 AND x.アドレス IS e.アドレス AND x.rowid < e.rowid)"));
    std::vector<CardFacts> cards(people.size());
    for (; !entries.Eof(); entries.MoveNext()) {
        const std::size_t slot = personOfPair.value(Pair{entries.Fields(0), entries.Fields(1)});
        const QByteArray card = entries.Bytes(2);
        if (slot != 0 && !card.isNull()) {
            cards[slot - 1] = readCard(readCardProperties(card), people[slot - 1]);
        }
    }

    std::size_t kept = 0;
    for (std::size_t i = 0; i < people.size(); ++i) {
        if (complete(people[i], pairs[i], cards[i])) {
            if (kept != i) {
                people[kept] = std::move(people[i]);
            }
            ++kept;
        }
    }
    people.resize(kept);
    return people;
}

}  // namespace zt
