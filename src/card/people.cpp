#include "card/people.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <limits>

#include "card/card_person.h"

namespace zt {

namespace {

// The entries of one person, and where it stands: where its first membership
// was stored, else where its first entry was, ahead of a membership stored at
// the same position (2 × rowid + 1 and 2 × rowid place them in one order).
struct Gathered {
    qint64 position = std::numeric_limits<qint64>::max();
    std::vector<qint64> entries;  // rowids, in stored order
};

// Every person's entries, by who each entry is. An entry is placed by the
// membership stored with it; one from before that was kept, by the first
// membership of its name and address.
std::vector<Gathered> gather(Database& db) {
    std::vector<Gathered> people;
    QHash<QByteArray, size_t> byKey;
    Recordset entries = db.OpenRecordset(
        QStringLiteral("SELECT rowid, 名前, アドレス, 所属, カード FROM アドレス情報 ORDER BY rowid"));
    Recordset firstMembership = db.OpenRecordset(
        QStringLiteral(
            "SELECT rowid FROM グループ情報 WHERE 名前 IS ? AND アドレス IS ? ORDER BY rowid LIMIT 1"),
        {qint64(0), qint64(0)});
    for (; !entries.Eof(); entries.MoveNext()) {
        const qint64 rowid = entries.Integer(0);
        StoredPerson stored;
        stored.name = entries.Bytes(1);
        stored.address = entries.Bytes(2);
        stored.card = entries.BytesView(4);
        QByteArray key = personKey(stored);
        if (key.isEmpty()) {
            key = "R" + QByteArray::number(rowid);  // a person of its own
        }
        qint64 position = 2 * rowid;
        if (!entries.BytesView(3).isNull()) {
            position = 2 * entries.Integer(3) + 1;
        } else {
            firstMembership.Requery(
                {stored.name.isNull() ? FieldValue() : FieldValue(QString::fromUtf8(stored.name)),
                 stored.address.isNull() ? FieldValue() : FieldValue(QString::fromUtf8(stored.address))});
            if (!firstMembership.Eof()) {
                position = 2 * firstMembership.Integer(0) + 1;
            }
        }
        auto at = byKey.constFind(key);
        if (at == byKey.cend()) {
            at = byKey.insert(key, people.size());
            people.emplace_back();
        }
        Gathered& person = people[*at];
        person.entries.push_back(rowid);
        person.position = std::min(person.position, position);
    }
    std::stable_sort(people.begin(), people.end(),
                     [](const Gathered& a, const Gathered& b) { return a.position < b.position; });
    return people;
}

}  // namespace

void forEachPerson(Database& db, const std::function<void(const Person&)>& take) {
    // One snapshot: the entries and the memberships are of the same rows.
    // Each card stays in the database until its person's turn: every card's
    // bytes held at once would take the memory of the whole table.
    const ReadTransaction reading(db);
    const std::vector<Gathered> people = gather(db);
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
    for (const Gathered& gathered : people) {
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
        for (const qint64 rowid : gathered.entries) {
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
