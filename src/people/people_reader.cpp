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
// for each person.
struct PeopleQueries {
    explicit PeopleQueries(Database& db)
        : people(db.OpenRecordset(QStringLiteral("SELECT 項目, 人物 FROM 出力人物"))),
          entriesOf(
              db.OpenRecordset(QStringLiteral("SELECT rowid FROM アドレス情報 WHERE 人物 = ? ORDER BY rowid"),
                               {QByteArray()})),
          entry(
              db.OpenRecordset(QStringLiteral("SELECT 名前, アドレス, 会社名, 部署名, 役職, 解釈, 所属, 人物 "
                                              "FROM アドレス情報 WHERE rowid = ?"),
                               {qint64(0)})),
          ownMembership(db.OpenRecordset(
              QStringLiteral("SELECT rowid, グループ FROM グループ情報 WHERE rowid = ?"), {qint64(0)})),
          pairMemberships(db.OpenRecordset(
              QStringLiteral(
                  "SELECT m.rowid, m.グループ FROM アドレス情報 AS e JOIN グループ情報 AS m "
                  "ON m.名前 IS e.名前 AND m.アドレス IS e.アドレス WHERE e.rowid = ? ORDER BY m.rowid"),
              {qint64(0)})) {}

    Recordset people;
    Recordset entriesOf;
    Recordset entry;
    Recordset ownMembership;
    Recordset pairMemberships;
};

// The rowids of the current person's entries, in stored order.
void readEntries(PeopleQueries& q, std::vector<qint64>& entries) {
    entries.clear();
    if (q.people.BytesView(1).isNull()) {
        entries.push_back(q.people.Integer(0));  // a person of its own
        return;
    }
    for (q.entriesOf.Requery({q.people.Bytes(1)}); !q.entriesOf.Eof(); q.entriesOf.MoveNext()) {
        entries.push_back(q.entriesOf.Integer(0));
    }
}

void addMemberships(Recordset& rs, Memberships& memberships) {
    for (; !rs.Eof(); rs.MoveNext()) {
        memberships.emplace_back(rs.Integer(0), rs.Text(1));
    }
}

// The person the entry at `rowid` describes on its own, into `p`, and the
// memberships it was stored with; false as assemblePerson says.
bool readEntry(PeopleQueries& q, qint64 rowid, Memberships& memberships, Person& p) {
    Recordset& e = q.entry;
    e.Requery({rowid});
    if (!e.BytesView(6).isNull()) {
        q.ownMembership.Requery({e.Integer(6)});
        addMemberships(q.ownMembership, memberships);
    } else {
        q.pairMemberships.Requery({rowid});
        addMemberships(q.pairMemberships, memberships);
    }
    const StoredEntry stored{e.Bytes(0), e.Bytes(1), e.Text(2), e.Text(3), e.Text(4)};
    std::optional<CardPerson> card;
    if (const QByteArrayView record = e.BytesView(5); !record.isNull()) {
        card = fromCardRecord(record);
    }
    return assemblePerson(stored, card ? &*card : nullptr, e.Bytes(7), p);
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

}  // namespace

void forEachPerson(Database& db, const PersonSink& take) {
    // One snapshot: the entries and the memberships are of the same rows.
    const ReadTransaction reading(db);
    PeopleQueries q(db);
    QSet<QUuid> uids;
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
        PersonMerge merge(p);
        for (auto rowid = entries.begin() + 1; rowid != entries.end(); ++rowid) {
            if (Person later; readEntry(q, *rowid, memberships, later)) {
                merge.add(later);
            }
        }
        setGroups(p, memberships);
        // Two people may bring one UID: two cards copied with their own, or
        // two identical cards of nobody. The later takes one made from it.
        for (int again = 1; uids.contains(p.uid); ++again) {
            p.uid = QUuid::createUuidV5(p.uid, QByteArray::number(again));
        }
        uids.insert(p.uid);
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
