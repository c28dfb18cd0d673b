#include "card/people.h"

#include <QSet>
#include <algorithm>

#include "card/card_person.h"

namespace zt {

void forEachPerson(Database& db, const std::function<void(const Person&)>& take) {
    // One snapshot: the entries and the memberships are of the same rows.
    // Each card stays in the database until its person's turn: every card's
    // bytes held at once would take the memory of the whole table.
    const ReadTransaction reading(db);
    Recordset people = db.OpenRecordset(QStringLiteral("SELECT 項目, 人物 FROM 出力人物"));
    Recordset entriesOf = db.OpenRecordset(
        QStringLiteral("SELECT rowid FROM アドレス情報 WHERE 人物 = ? ORDER BY rowid"), {QByteArray()});
    Recordset entry = db.OpenRecordset(
        QStringLiteral(
            "SELECT 名前, アドレス, 会社名, 部署名, 役職, カード, 所属 FROM アドレス情報 WHERE rowid = ?"),
        {qint64(0)});
    Recordset ownMembership = db.OpenRecordset(
        QStringLiteral("SELECT rowid, グループ FROM グループ情報 WHERE rowid = ?"), {qint64(0)});
    Recordset pairMemberships = db.OpenRecordset(
        QStringLiteral("SELECT m.rowid, m.グループ FROM アドレス情報 AS e JOIN グループ情報 AS m "
                       "ON m.名前 IS e.名前 AND m.アドレス IS e.アドレス WHERE e.rowid = ? ORDER BY m.rowid"),
        {qint64(0)});
    QSet<QUuid> uids;
    std::vector<qint64> entries;  // rowids, in stored order
    for (; !people.Eof(); people.MoveNext()) {
        entries.clear();
        if (people.BytesView(1).isNull()) {
            entries.push_back(people.Integer(0));  // a person of its own
        } else {
            for (entriesOf.Requery({people.Bytes(1)}); !entriesOf.Eof(); entriesOf.MoveNext()) {
                entries.push_back(entriesOf.Integer(0));
            }
        }
        // The groups of every entry, in the order their memberships were stored.
        std::vector<std::pair<qint64, QString>> memberships;
        const auto addMemberships = [&memberships](Recordset& rs) {
            for (; !rs.Eof(); rs.MoveNext()) {
                memberships.emplace_back(rs.Integer(0), rs.Text(1));
            }
        };
        Person p;
        bool first = true;
        bool holdable = false;
        for (const qint64 rowid : entries) {
            entry.Requery({rowid});
            if (!entry.BytesView(6).isNull()) {
                ownMembership.Requery({entry.Integer(6)});
                addMemberships(ownMembership);
            } else {
                pairMemberships.Requery({rowid});
                addMemberships(pairMemberships);
            }
            StoredPerson stored;
            stored.name = entry.Bytes(0);
            stored.address = entry.Bytes(1);
            stored.company = entry.Text(2);
            stored.department = entry.Text(3);
            stored.title = entry.Text(4);
            stored.card = entry.BytesView(5);
            // The first entry is the person, as it has always been; later ones
            // add what they hold.
            if (first) {
                holdable = readPerson(stored, p);
                first = false;
            } else if (Person later; holdable && readPerson(stored, later)) {
                mergePerson(p, later);
            }
        }
        if (!holdable) {
            continue;
        }
        std::stable_sort(memberships.begin(), memberships.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        QSet<QString> seen;
        for (const auto& [rowid, group] : memberships) {
            // An empty group names no group, any more than NULL does.
            if (!group.isEmpty() && !seen.contains(group)) {
                seen.insert(group);
                p.groups.append(group);
            }
        }
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
