#include "people/person_assembly.h"

#include <QSet>
#include <algorithm>
#include <optional>

#include "card/name_rule.h"
#include "people/card_record.h"
#include "people/identity.h"

namespace zt {

using namespace Qt::StringLiterals;

namespace {

// Company, department and title from one place on the card, its first ORG
// and first TITLE, its escapes undone, where the stored fields keep a line as
// it stands; the stored ones for a card without them. A title the index file
// gave that the card does not is reported, the card's being the one written.
void settleWork(Person& p, const CardPerson& card) {
    if (!card.title.isEmpty()) {
        if (!p.title.isEmpty() && p.title != card.title) {
            p.uncarried.append({u"TITLE"_s, p.title});
        }
        p.title = card.title;
    }
    if (card.org) {
        p.company = card.org->company;
        p.units = card.org->units;
        p.department = card.org->department;
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

// A person whose card gives no name, e-mail address, company or phone is
// still written wherever what it has can go, shown by the first of its
// nickname, its first postal address, the first line of its note, its first
// web page and its birthday; false when it has none of them either.
bool settleNameless(Person& p) {
    QStringList address;
    if (!p.postalAddresses.isEmpty()) {
        const PostalAddress& a = p.postalAddresses.first();
        for (const QString& part : {a.poBox, a.extended, a.street, a.locality, a.region, a.code, a.country}) {
            if (!part.trimmed().isEmpty()) {
                address << part.trimmed();
            }
        }
    }
    const QString candidates[] = {p.nickname, address.join(u' '), p.note.section(u'\n', 0, 0).trimmed(),
                                  p.webPages.isEmpty() ? QString() : p.webPages.first().value,
                                  p.birthday.isValid() ? p.birthday.toString(Qt::ISODate) : QString()};
    for (const QString& candidate : candidates) {
        if (!candidate.isEmpty()) {
            p.shownName = candidate;
            p.nameless = true;
            return true;
        }
    }
    return false;
}

// Settles the person's name and shown name; false when it has nothing a mail
// program can hold.
bool settleName(Person& p, const StoredEntry& stored, const CardPerson* card) {
    const QString storedName = QString::fromUtf8(stored.name);
    const QString name = card != nullptr ? card->name(storedName) : storedName;
    const QString address = p.emails.isEmpty() ? QString() : p.emails.first().value;
    const QString phone = p.phones.isEmpty() ? QString() : p.phones.first().value;
    for (const QString& candidate : {name, address, p.company, phone}) {
        if (!candidate.isEmpty()) {
            p.shownName = candidate;
            break;
        }
    }
    if (p.shownName.isEmpty()) {
        return settleNameless(p);
    }
    if (card != nullptr && card->hasN()) {
        p.familyName = card->n[0];
        p.givenName = card->n[1];
        p.namesFromCard = true;
    } else if (!name.isEmpty() || !address.isEmpty()) {
        // A company or a phone is not a person's name.
        const PersonName parts = splitName(p.shownName);
        p.familyName = parts.family;
        p.givenName = parts.given;
    }
    if (card != nullptr && card->n.size() == 5) {
        p.middleName = card->n[2];
        p.prefix = card->n[3];
        p.suffix = card->n[4];
    }
    return true;
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

QString postalKey(const PostalAddress& a) {
    return QStringList{a.poBox, a.extended, a.street, a.locality, a.region, a.code, a.country}.join(u'\x1f');
}

void joinTypes(QStringList& types, const QStringList& more) {
    for (const QString& type : more) {
        if (!types.contains(type)) {
            types.append(type);
        }
    }
}

// Appends each of `more` whose key `keyOf` gives is not in the list yet, and
// joins the types of one that is to the one there.
template <class T, class KeyOf>
void addEach(QList<T>& list, QHash<QString, qsizetype>& at, const QList<T>& more, KeyOf keyOf) {
    for (const T& item : more) {
        if (const auto found = at.constFind(keyOf(item)); found != at.cend()) {
            joinTypes(list[*found].types, item.types);
        } else {
            at.insert(keyOf(item), list.size());
            list.append(item);
        }
    }
}

QString value(const TypedValue& v) {
    return v.value;
}

// One address to the identity rule, whatever its case, so one to the merge.
QString folded(const TypedValue& email) {
    return email.value.toCaseFolded();
}

template <class T, class KeyOf>
QHash<QString, qsizetype> positions(const QList<T>& list, KeyOf keyOf) {
    QHash<QString, qsizetype> at;
    for (qsizetype i = 0; i < list.size(); ++i) {
        at.insert(keyOf(list[i]), i);
    }
    return at;
}

// The company and department the later card gives, where the person has
// none; reported where they differ, as its card wrote them.
void mergeWork(Person& into, const Person& later) {
    if (later.company.isEmpty() && later.department.isEmpty()) {
        return;
    }
    if (into.company.isEmpty() && into.department.isEmpty()) {
        into.company = later.company;
        into.department = later.department;
        into.units = later.units;
    } else if (later.company != into.company || later.department != into.department) {
        into.uncarried.append(
            {u"ORG"_s, later.department.isEmpty() ? later.company : later.company + u';' + later.department});
    }
}

QString nameParts(const Person& p) {
    return QStringList{p.familyName, p.givenName, p.middleName, p.prefix, p.suffix}.join(u';');
}

using Memberships = std::vector<std::pair<qint64, QString>>;  // rowid and group

// The groups of every entry, each once, in the order their memberships were
// stored. An empty group names no group, any more than NULL does.
void setGroups(Person& p, Memberships& memberships) {
    std::stable_sort(memberships.begin(), memberships.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QSet<QString> seen;
    for (const auto& [rowid, group] : memberships) {
        if (!group.isEmpty() && !seen.contains(group)) {
            seen.insert(group);
            p.groups.append(group);
        }
    }
}

// Each UID once: a UID already given is followed by one made from it, and
// that by one made from it, until one is free. Where each UID's chain has got
// to is kept, so that many people of one UID take linear time.
class UniqueUids {
public:
    QUuid unique(const QUuid& uid) {
        auto [last, again] = chains_.value(uid, {uid, 0});
        while (given_.contains(last)) {
            last = QUuid::createUuidV5(last, QByteArray::number(++again));
        }
        chains_.insert(uid, {last, again});
        given_.insert(last);
        return last;
    }

private:
    QSet<QUuid> given_;
    QHash<QUuid, std::pair<QUuid, int>> chains_;
};

// What one entry's row holds, with its membership: the one stored with it,
// else (an entry stored before that was kept) every one of its name and
// address. Prepared once and run again for each entry.
class EntryRows {
public:
    explicit EntryRows(Database& db)
        : entry_(db.OpenRecordset(
              QStringLiteral(
                  "SELECT e.名前, e.アドレス, e.会社名, e.部署名, e.役職, e.所属, m.rowid, m.グループ "
                  "FROM アドレス情報 AS e LEFT JOIN グループ情報 AS m ON m.rowid = e.所属 "
                  "WHERE e.rowid = ?"),
              {qint64(0)})),
          pairMemberships_(db.OpenRecordset(
              QStringLiteral(
                  "SELECT m.rowid, m.グループ FROM アドレス情報 AS e JOIN グループ情報 AS m "
                  "ON m.名前 IS e.名前 AND m.アドレス IS e.アドレス WHERE e.rowid = ? ORDER BY m.rowid"),
              {qint64(0)})) {}

    // The entry at `rowid`, its memberships added to `memberships`.
    StoredEntry read(qint64 rowid, Memberships& memberships) {
        enum { Name, Address, Company, Department, Title, Own, Membership, Group };
        Recordset& e = entry_;
        e.Requery({rowid});
        if (e.Eof()) {
            return {};
        }
        if (!e.BytesView(Own).isNull()) {
            if (!e.BytesView(Membership).isNull()) {
                memberships.emplace_back(e.Integer(Membership), e.Text(Group));
            }
        } else {
            for (pairMemberships_.Requery({rowid}); !pairMemberships_.Eof(); pairMemberships_.MoveNext()) {
                memberships.emplace_back(pairMemberships_.Integer(0), pairMemberships_.Text(1));
            }
        }
        return {e.Bytes(Name), e.Bytes(Address), e.Text(Company), e.Text(Department), e.Text(Title)};
    }

private:
    Recordset entry_;
    Recordset pairMemberships_;
};

}  // namespace

bool assemblePerson(const StoredEntry& stored, const CardPerson* card, Person& p) {
    if (card != nullptr) {
        p = card->person;
    }
    // The address the person is known by comes first, the card's own where
    // it has one: the plain line of an older import may be a later one.
    const QString preferred = card != nullptr ? card->preferredEmail() : QString();
    p.address = preferred.isEmpty() ? QString::fromUtf8(stored.address) : preferred;
    p.company = stored.company;
    p.department = stored.department;
    p.title = stored.title;
    if (card != nullptr) {
        settleWork(p, *card);
    }
    settleEmails(p);
    if (!settleName(p, stored, card)) {
        return false;
    }
    if (card == nullptr) {
        p.uid = personUid(stored.name, stored.address, nullptr, {});
    }
    return true;
}

PersonMerge::PersonMerge(Person& into)
    : into_(into),
      emails_(positions(into.emails, folded)),
      phones_(positions(into.phones, value)),
      webPages_(positions(into.webPages, value)),
      postalAddresses_(positions(into.postalAddresses, postalKey)) {}

void PersonMerge::add(const Person& later) {
    Person& into = into_;
    addEach(into.emails, emails_, later.emails, folded);
    addEach(into.phones, phones_, later.phones, value);
    addEach(into.webPages, webPages_, later.webPages, value);
    addEach(into.postalAddresses, postalAddresses_, later.postalAddresses, postalKey);
    if (!into.namesFromCard && later.namesFromCard) {
        into.familyName = later.familyName;
        into.givenName = later.givenName;
        into.middleName = later.middleName;
        into.prefix = later.prefix;
        into.suffix = later.suffix;
        into.namesFromCard = true;
    } else if (later.namesFromCard && nameParts(later) != nameParts(into)) {
        into.uncarried.append({u"N"_s, nameParts(later)});
    }
    settleSingle(into.phoneticFamily, later.phoneticFamily, u"SOUND"_s, into);
    settleSingle(into.phoneticGiven, later.phoneticGiven, u"SOUND"_s, into);
    settleSingle(into.note, later.note, u"NOTE"_s, into);
    mergeWork(into, later);
    settleSingle(into.title, later.title, u"TITLE"_s, into);
    settleSingle(into.nickname, later.nickname, u"NICKNAME"_s, into);
    if (into.birthday.isNull()) {
        into.birthday = later.birthday;
    } else if (later.birthday.isValid() && later.birthday != into.birthday) {
        into.uncarried.append({u"BDAY"_s, later.birthday.toString(Qt::ISODate)});
    }
    into.uncarried += later.uncarried;
}

void commitPeople(Database& db, const EntryCards& cards) {
    db.Execute(QStringLiteral("DELETE FROM 人物記録"));
    Recordset people = db.OpenRecordset(QStringLiteral("SELECT 項目, 人物, 件数 FROM 出力人物"));
    Recordset entriesOf = db.OpenRecordset(
        QStringLiteral("SELECT rowid FROM アドレス情報 WHERE 人物 = ? ORDER BY rowid"), {QByteArray()});
    EntryRows rows(db);
    Statement store = db.Prepare(QStringLiteral("INSERT INTO 人物記録 (人物, 件数, 記録) VALUES (?, ?, ?)"));
    UniqueUids uids;
    std::vector<qint64> entries;
    // The person one entry describes on its own, with its memberships.
    const auto readEntry = [&](qint64 rowid, Memberships& memberships, Person& p) {
        const StoredEntry stored = rows.read(rowid, memberships);
        std::optional<CardPerson> card;
        if (const auto found = cards.constFind(rowid); found != cards.cend()) {
            card = fromCardRecord(*found);
        }
        return assemblePerson(stored, card ? &*card : nullptr, p);
    };
    for (; !people.Eof(); people.MoveNext()) {
        const QByteArray key = people.Bytes(1);
        if (key.isNull()) {
            continue;  // another program's entry: written from its fields
        }
        entries.clear();
        if (people.Integer(2) == 1) {
            entries.push_back(people.Integer(0));
        } else {
            for (entriesOf.Requery({key}); !entriesOf.Eof(); entriesOf.MoveNext()) {
                entries.push_back(entriesOf.Integer(0));
            }
        }
        Memberships memberships;
        Person p;
        QByteArray record("");  // a person with nothing a mail program holds
        if (readEntry(entries.front(), memberships, p)) {
            // The first entry is the person, as it has always been; later
            // ones add what they hold.
            PersonMerge merge(p);
            for (auto rowid = entries.begin() + 1; rowid != entries.end(); ++rowid) {
                if (Person later; readEntry(*rowid, memberships, later)) {
                    merge.add(later);
                }
            }
            setGroups(p, memberships);
            // Two people may bring one UID: two cards copied with their own,
            // or two identical cards of nobody. The later takes one made from it.
            p.uid = uids.unique(p.uid);
            record = personRecord(p);
        }
        store.Execute({key, qint64(entries.size()), record});
    }
}

struct PeopleOfFields::State {
    EntryRows rows;
    UniqueUids uids;
};

PeopleOfFields::PeopleOfFields(Database& db) : state_(std::make_unique<State>(State{EntryRows(db), {}})) {}
PeopleOfFields::~PeopleOfFields() = default;

bool PeopleOfFields::read(qint64 rowid, Person& p) {
    Memberships memberships;
    const StoredEntry stored = state_->rows.read(rowid, memberships);
    if (!assemblePerson(stored, nullptr, p)) {
        return false;
    }
    setGroups(p, memberships);
    // Apart from every UID a record gives, which may be made from the same
    // name and address.
    p.uid = state_->uids.unique(QUuid::createUuidV5(p.uid, QByteArrayLiteral("fields")));
    return true;
}

}  // namespace zt
