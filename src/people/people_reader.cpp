#include "people/people_reader.h"

#include <QSet>
#include <algorithm>
#include <optional>

#include "people/card_record.h"
#include "people/person_assembly.h"

namespace zt {

namespace {

using Memberships = std::vector<std::pair<qint64, QString>>;  // rowid and group

// The statements one read of the people runs, prepared once and run again
// for each person: most people are one entry, read with its membership by one
// lookup, and the loop's cost is in its lookups.
struct PeopleQueries {
    explicit PeopleQueries(Database& db)
        : people(db.OpenRecordset(QStringLiteral("SELECT 項目, 人物, 件数 FROM 出力人物"))),
          entriesOf(
              db.OpenRecordset(QStringLiteral("SELECT rowid FROM アドレス情報 WHERE 人物 = ? ORDER BY rowid"),
                               {QByteArray()})),
          entry(db.OpenRecordset(
              QStringLiteral("SELECT e.名前, e.アドレス, e.会社名, e.部署名, e.役職, r.解釈, e.人物, e.所属, "
                             "m.rowid, m.グループ FROM アドレス情報 AS e "
                             "LEFT JOIN 人物記録 AS r ON r.項目 = e.rowid "
                             "LEFT JOIN グループ情報 AS m ON m.rowid = e.所属 WHERE e.rowid = ?"),
              {qint64(0)})),
          pairMemberships(db.OpenRecordset(
              QStringLiteral(
                  "SELECT m.rowid, m.グループ FROM アドレス情報 AS e JOIN グループ情報 AS m "
                  "ON m.名前 IS e.名前 AND m.アドレス IS e.アドレス WHERE e.rowid = ? ORDER BY m.rowid"),
              {qint64(0)})) {}

    Recordset people;
    Recordset entriesOf;
    Recordset entry;
    Recordset pairMemberships;
};

// The rowids of the current person's entries, in stored order.
void readEntries(PeopleQueries& q, std::vector<qint64>& entries) {
    entries.clear();
    if (q.people.Integer(2) == 1) {
        entries.push_back(q.people.Integer(0));  // a person of one entry, or of its own
        return;
    }
    for (q.entriesOf.Requery({q.people.Bytes(1)}); !q.entriesOf.Eof(); q.entriesOf.MoveNext()) {
        entries.push_back(q.entriesOf.Integer(0));
    }
}

// The person the entry at `rowid` describes on its own, into `p`, and the
// memberships it was stored with: the one it names, else (an entry stored
// before that was kept) every one of its name and address. False as
// assemblePerson says.
bool readEntry(PeopleQueries& q, qint64 rowid, Memberships& memberships, Person& p) {
    enum { Name, Address, Company, Department, Title, Record, Key, Own, Membership, Group };
    Recordset& e = q.entry;
    e.Requery({rowid});
    if (!e.BytesView(Own).isNull()) {
        if (!e.BytesView(Membership).isNull()) {
            memberships.emplace_back(e.Integer(Membership), e.Text(Group));
        }
    } else {
        for (q.pairMemberships.Requery({rowid}); !q.pairMemberships.Eof(); q.pairMemberships.MoveNext()) {
            memberships.emplace_back(q.pairMemberships.Integer(0), q.pairMemberships.Text(1));
        }
    }
    const StoredEntry stored{e.Bytes(Name), e.Bytes(Address), e.Text(Company), e.Text(Department),
                             e.Text(Title)};
    std::optional<CardPerson> card;
    if (const QByteArrayView record = e.BytesView(Record); !record.isNull()) {
        card = fromCardRecord(record);
    }
    return assemblePerson(stored, card ? &*card : nullptr, p);
}

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

}  // namespace

void forEachPerson(Database& db, const PersonSink& take) {
    // One snapshot: the entries and the memberships are of the same rows.
    const ReadTransaction reading(db);
    PeopleQueries q(db);
    UniqueUids uids;
    std::vector<qint64> entries;
    for (; !q.people.Eof(); q.people.MoveNext()) {
        readEntries(q, entries);
        Memberships memberships;
        Person p;
        if (!readEntry(q, entries.front(), memberships, p)) {
            continue;
        }
        // The first entry is the person, as it has always been; later ones
        // add what they hold.
        if (entries.size() > 1) {
            PersonMerge merge(p);
            for (auto rowid = entries.begin() + 1; rowid != entries.end(); ++rowid) {
                if (Person later; readEntry(q, *rowid, memberships, later)) {
                    merge.add(later);
                }
            }
        }
        setGroups(p, memberships);
        // Two people may bring one UID: two cards copied with their own, or
        // two identical cards of nobody. The later takes one made from it.
        p.uid = uids.unique(p.uid);
        take(p);
    }
}

std::vector<Person> readPeople(Database& db) {
    std::vector<Person> people;
    forEachPerson(db, [&people](const Person& p) { people.push_back(p); });
    return people;
}

PersonSource peopleOf(Database& db) {
    return [&db](const PersonSink& take) { forEachPerson(db, take); };
}

}  // namespace zt
