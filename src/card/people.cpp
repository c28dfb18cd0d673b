#include "card/people.h"

#include <QSet>
#include <algorithm>

#include "card/card_person.h"

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
          entry(db.OpenRecordset(QStringLiteral("SELECT 名前, アドレス, 会社名, 部署名, 役職, カード, 所属 "
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

// Reads the entry at `rowid` (q.entry) and the memberships it was stored with.
StoredPerson readEntry(PeopleQueries& q, qint64 rowid, Memberships& memberships) {
    q.entry.Requery({rowid});
    if (!q.entry.BytesView(6).isNull()) {
        q.ownMembership.Requery({q.entry.Integer(6)});
        addMemberships(q.ownMembership, memberships);
    } else {
        q.pairMemberships.Requery({rowid});
        addMemberships(q.pairMemberships, memberships);
    }
    StoredPerson stored;
    stored.name = q.entry.Bytes(0);
    stored.address = q.entry.Bytes(1);
    stored.company = q.entry.Text(2);
    stored.department = q.entry.Text(3);
    stored.title = q.entry.Text(4);
    stored.card = q.entry.BytesView(5);
    return stored;
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

void forEachPerson(Database& db, const std::function<void(const Person&)>& take) {
    // One snapshot: the entries and the memberships are of the same rows.
    // Each card stays in the database until its person's turn: every card's
    // bytes held at once would take the memory of the whole table.
    const ReadTransaction reading(db);
    PeopleQueries q(db);
    QSet<QUuid> uids;
    std::vector<qint64> entries;
    for (; !q.people.Eof(); q.people.MoveNext()) {
        readEntries(q, entries);
        Memberships memberships;
        Person p;
        bool holdable = false;
        for (const qint64 rowid : entries) {
            const StoredPerson stored = readEntry(q, rowid, memberships);
            // The first entry is the person, as it has always been; later ones
            // add what they hold.
            if (rowid == entries.front()) {
                holdable = readPerson(stored, p);
            } else if (Person later; holdable && readPerson(stored, later)) {
                mergePerson(p, later);
            }
        }
        if (!holdable) {
            continue;
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

}  // namespace zt
