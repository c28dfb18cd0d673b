#include "card/people.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>

#include "card/card_properties.h"

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

// A pair as 出力情報 pairs rows, in the database's own UTF-8 (read so, the two
// passes convert no text they only compare): NULL, a null QByteArray, is not
// the empty text.
struct Pair {
    QByteArray name;
    QByteArray address;
    bool operator==(const Pair& other) const {
        return name == other.name && address == other.address && name.isNull() == other.name.isNull() &&
               address.isNull() == other.address.isNull();
    }
};

size_t qHash(const Pair& pair, size_t seed = 0) {
    return qHashMulti(seed, pair.name, pair.address, pair.name.isNull(), pair.address.isNull());
}

// What of a card decides the person's name, kept apart until the name is known.
struct CardFacts {
    QString shownName;  // the card's first FN with a value
    QStringList n;      // N: family, given, middle, prefix, suffix
};

void setIfEmpty(QString& field, const QString& value) {
    if (field.isEmpty()) {
        field = value;
    }
}

// A birthday as YYYYMMDD or YYYY-MM-DD; a time after it tells nothing more.
// Read digit by digit: QDate::fromString with a format costs more than the
// rest of a card.
QDate birthday(QStringView value) {
    value = value.trimmed();
    const bool dashed = value.size() >= 10 && value[4] == u'-' && value[7] == u'-';
    const qsizetype length = dashed ? 10 : 8;
    if (value.size() < length || (value.size() > length && value[length] != u'T')) {
        return {};
    }
    int digits[8];
    int n = 0;
    for (qsizetype i = 0; i < length; ++i) {
        if (dashed && (i == 4 || i == 7)) {
            continue;
        }
        if (value[i] < u'0' || value[i] > u'9') {
            return {};
        }
        digits[n++] = value[i].unicode() - u'0';
    }
    const QDate date(digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3],
                     digits[4] * 10 + digits[5], digits[6] * 10 + digits[7]);
    return date.isValid() ? date : QDate();
}

// What readCard reads, and the format's own bookkeeping, which holds nothing of
// the person: any other property is one that no output carries.
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

// The properties readCard takes.
enum class Known {
    FN,
    N,
    Sound,
    PhoneticLastName,
    PhoneticFirstName,
    Nickname,
    Email,
    Tel,
    Adr,
    Url,
    Note,
    Bday,
    Title,
    Org,
    Other
};

// By length first: a hash of every name of every card cost more than the
// comparisons that the length leaves.
Known known(const QString& name) {
    struct Name {
        QStringView text;
        Known known;
    };
    static constexpr Name kNames[] = {
        {u"N", Known::N},
        {u"FN", Known::FN},
        {u"TEL", Known::Tel},
        {u"ADR", Known::Adr},
        {u"URL", Known::Url},
        {u"ORG", Known::Org},
        {u"NOTE", Known::Note},
        {u"BDAY", Known::Bday},
        {u"EMAIL", Known::Email},
        {u"SOUND", Known::Sound},
        {u"TITLE", Known::Title},
        {u"NICKNAME", Known::Nickname},
        {u"X-PHONETIC-LAST-NAME", Known::PhoneticLastName},
        {u"X-PHONETIC-FIRST-NAME", Known::PhoneticFirstName},
    };
    for (const Name& candidate : kNames) {
        if (candidate.text.size() == name.size() && candidate.text == name) {
            return candidate.known;
        }
    }
    return Known::Other;
}

bool allPartsEmpty(const CardProperty& property) {
    return property.parts.isEmpty()
               ? property.value.isEmpty()
               : std::all_of(property.parts.begin(), property.parts.end(), std::mem_fn(&QString::isEmpty));
}

// A card's several phones, addresses and pages each grow a list: room for the
// usual few at the first saves a reallocation per further one.
template <class T>
void appendTo(QList<T>& list, T&& item) {
    if (list.isEmpty()) {
        list.reserve(4);
    }
    list.append(std::move(item));
}

// Whatever the card says beyond the five stored fields, into `p`; what only
// counts once the stored name is weighed comes back.
CardFacts readCard(const std::vector<CardProperty>& properties, Person& p) {
    CardFacts facts;
    QString title;
    const CardProperty* org = nullptr;
    for (const CardProperty& property : properties) {
        const QString& value = property.value;
        switch (known(property.name)) {
            case Known::FN:
                setIfEmpty(facts.shownName, value);
                break;
            case Known::N:
                if (facts.n.isEmpty()) {
                    facts.n = QStringList{property.part(0), property.part(1), property.part(2),
                                          property.part(3), property.part(4)};
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
                setIfEmpty(p.phoneticFamily, value);
                break;
            case Known::PhoneticFirstName:
                setIfEmpty(p.phoneticGiven, value);
                break;
            case Known::Nickname:
                setIfEmpty(p.nickname, value);
                break;
            case Known::Email:
                if (!value.isEmpty()) {
                    appendTo(p.emails, {value, property.types});
                }
                break;
            case Known::Tel:
                if (!value.isEmpty()) {
                    appendTo(p.phones, {value, property.types});
                }
                break;
            case Known::Adr:
                if (!allPartsEmpty(property)) {
                    // Parts past the seventh are kept with the country rather than lost.
                    const QString country =
                        property.partCount() > 7 ? property.parts.mid(6).join(u';') : property.part(6);
                    appendTo(p.postalAddresses,
                             {property.part(0), property.part(1), property.part(2), property.part(3),
                              property.part(4), property.part(5), country, property.types});
                }
                break;
            case Known::Url:
                if (!value.isEmpty()) {
                    appendTo(p.webPages, {value, property.types});
                }
                break;
            case Known::Note:
                // One line break between notes, whichever a card wrote, so that
                // each output writes its own.
                if (!value.isEmpty()) {
                    if (!p.note.isEmpty()) {
                        p.note += u'\n';
                    }
                    p.note += value;
                }
                break;
            case Known::Bday:
                if (p.birthday.isNull()) {
                    p.birthday = birthday(value);
                }
                break;
            case Known::Title:
                setIfEmpty(title, value);
                break;
            case Known::Org:
                if (org == nullptr && !value.isEmpty()) {
                    org = &property;
                }
                break;
            case Known::Other:
                if (!kReadOrBookkeeping.contains(property.name)) {
                    addUncarried(property, p);
                }
                break;
        }
    }
    p.note.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
    setIfEmpty(p.title, title);
    // ORG written with a charset is not read by the import; its company would
    // otherwise be lost from these outputs.
    if (org != nullptr && p.company.isEmpty() && p.department.isEmpty()) {
        p.company = org->part(0);
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
    key.reserve(pair.name.size() + pair.address.size() + 24);
    for (const QByteArray& text : {pair.name, pair.address}) {
        if (text.isNull()) {
            key += 'N';
        } else {
            key += 'T';
            key += QByteArray::number(text.size());
            key += ':';
            key += text;
        }
    }
    return key;
}

// Ours alone, so that no other program's names give our UIDs.
const QUuid kUidNamespace(u"6f1c2a0e-58d4-4a9b-9c3e-2b7d0f4e8a51");

// Settles the person's name, e-mail addresses and shown name; false when it
// has nothing a mail program can hold.
bool complete(Person& p, const Pair& pair, const CardFacts& card) {
    const bool hasN = card.n.size() == 5 && !(card.n[0].isEmpty() && card.n[1].isEmpty());
    QString name = QString::fromUtf8(pair.name);
    setIfEmpty(name, card.shownName);
    if (name.isEmpty() && hasN) {
        name = joinedName(card.n[0], card.n[1]);
    }
    QList<TypedValue> emails;
    emails.reserve(p.emails.size() + 1);
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

QString birthdayText(const QDate& birthday, const char* format) {
    if (!birthday.isValid()) {
        return QString();
    }
    char text[32];
    std::snprintf(text, sizeof text, format, birthday.year(), birthday.month(), birthday.day());
    return QString::fromLatin1(text);
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

std::vector<PairRows> readPairs(Database& db) {
    // 出力情報 gives the pairs in this order, but reading it costs three
    // times the rest of the reading of the people: for each row it seeks the
    // entry's row, and to find the entries no group names it reads every row
    // of アドレス情報, cards and all. The indexes and the memberships tell the
    // same, and are read here instead, each pair placed where the view's own
    // ORDER BY places its first row.
    struct Placed {
        PairRows rows;
        // At the pair's first membership, else (no group names it) at its
        // entry, which goes first of two at the same place.
        qint64 place;
        int placeKind;  // 0 for an entry, 1 for a membership
    };
    const ReadTransaction reading(db);
    std::vector<Placed> pairs;
    QHash<Pair, std::size_t> slotOfPair;

    // Every pair that has an entry, with its first-stored entry, from the
    // index on the pair alone: a pair's entries come together, the first first.
    Recordset entries = db.OpenRecordset(
        QStringLiteral("SELECT 名前, アドレス, rowid FROM アドレス情報 ORDER BY 名前, アドレス, rowid"));
    for (; !entries.Eof(); entries.MoveNext()) {
        Pair pair{entries.Bytes(0), entries.Bytes(1)};
        if (!pairs.empty() && pair == Pair{pairs.back().rows.name, pairs.back().rows.address}) {
            continue;
        }
        const qint64 entry = entries.Integer(2);
        slotOfPair.insert(pair, pairs.size());
        pairs.push_back({{std::move(pair.name), std::move(pair.address), entry, {}}, entry, 0});
    }

    // The memberships in stored order; one whose pair has no entry is none of
    // the view's rows. A group's members mostly come one after another: the
    // group's name is then shared by them rather than made anew for each.
    Recordset memberships = db.OpenRecordset(
        QStringLiteral("SELECT グループ, 名前, アドレス, rowid FROM グループ情報 ORDER BY rowid"));
    QByteArray groupBytes;
    QString group;
    for (; !memberships.Eof(); memberships.MoveNext()) {
        const QByteArrayView name = memberships.BytesView(1);
        const QByteArrayView address = memberships.BytesView(2);
        const auto found =
            slotOfPair.constFind(Pair{QByteArray::fromRawData(name.data(), name.size()),
                                      QByteArray::fromRawData(address.data(), address.size())});
        if (found == slotOfPair.constEnd()) {
            continue;
        }
        Placed& pair = pairs[*found];
        if (pair.placeKind == 0) {
            pair.place = memberships.Integer(3);
            pair.placeKind = 1;
        }
        if (const QByteArrayView bytes = memberships.BytesView(0); bytes != groupBytes) {
            groupBytes = bytes.toByteArray();
            group = QString::fromUtf8(bytes);
        }
        // An empty group names no group, any more than NULL does.
        if (!group.isEmpty() && !pair.rows.groups.contains(group)) {
            pair.rows.groups.append(group);
        }
    }
    slotOfPair.clear();
    std::sort(pairs.begin(), pairs.end(), [](const Placed& a, const Placed& b) {
        return a.place != b.place ? a.place < b.place : a.placeKind < b.placeKind;
    });
    std::vector<PairRows> ordered;
    ordered.reserve(pairs.size());
    for (Placed& pair : pairs) {
        ordered.push_back(std::move(pair.rows));
    }
    return ordered;
}

void forEachPerson(Database& db, const std::function<void(const Person&)>& take) {
    // One snapshot: the pairs and the cards are of the same rows, and the
    // lookup of each entry does not lock and check the file anew. Each pair's
    // entry stays in the database until its turn: every card's bytes held at
    // once would take the memory of the whole table, and freeing them one by
    // one among a person's small texts leaves the heap too fragmented for the
    // allocator to stay fast.
    const ReadTransaction reading(db);
    std::vector<PairRows> pairs = readPairs(db);

    // The company, department and title that 出力情報 gives each of the
    // pair's rows are its first-stored entry's, read here with the card.
    Recordset entry = db.OpenRecordset(
        QStringLiteral("SELECT 会社名, 部署名, 役職, カード FROM アドレス情報 WHERE rowid = ?"), {qint64(0)});
    enum { Company, Department, Title, Card };
    Params rowid{qint64(0)};
    std::vector<CardProperty> properties;
    for (PairRows& pair : pairs) {
        Person p;
        p.address = QString::fromUtf8(pair.address);
        p.groups = std::move(pair.groups);
        CardFacts facts;
        rowid[0] = pair.entry;
        entry.Requery(rowid);
        if (!entry.Eof()) {
            p.company = entry.Text(Company);
            p.department = entry.Text(Department);
            p.title = entry.Text(Title);
            if (const QByteArrayView card = entry.BytesView(Card); !card.isNull()) {
                readCardProperties(card, properties);
                facts = readCard(properties, p);
            }
        }
        if (complete(p, Pair{pair.name, pair.address}, facts)) {
            take(p);
        }
    }
}

std::vector<Person> readPeople(Database& db) {
    std::vector<Person> people;
    forEachPerson(db, [&people](const Person& p) { people.push_back(p); });
    return people;
}

}  // namespace zt
