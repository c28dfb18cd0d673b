#include "card/people.h"

#include "card/card_person.h"

namespace zt {

void forEachPerson(Database& db, const std::function<void(const Person&)>& take) {
    // One snapshot: the pairs, the entries and the memberships are of the same
    // rows. Each card stays in the database until its person's turn: every
    // card's bytes held at once would take the memory of the whole table.
    const ReadTransaction reading(db);
    Recordset pairs = db.OpenRecordset(QStringLiteral("SELECT 項目, 名前, アドレス FROM 出力人物"));
    Recordset entry = db.OpenRecordset(
        QStringLiteral("SELECT 会社名, 部署名, 役職, カード FROM アドレス情報 WHERE rowid = ?"), {qint64(0)});
    // The pair's memberships in stored order, found through its entry.
    Recordset memberships = db.OpenRecordset(
        QStringLiteral("SELECT m.グループ FROM アドレス情報 AS e JOIN グループ情報 AS m "
                       "ON m.名前 IS e.名前 AND m.アドレス IS e.アドレス WHERE e.rowid = ? ORDER BY m.rowid"),
        {qint64(0)});
    Params rowid{qint64(0)};
    for (; !pairs.Eof(); pairs.MoveNext()) {
        rowid[0] = pairs.Integer(0);
        StoredPerson stored;
        stored.name = pairs.Bytes(1);
        stored.address = pairs.Bytes(2);
        for (memberships.Requery(rowid); !memberships.Eof(); memberships.MoveNext()) {
            // An empty group names no group, any more than NULL does.
            if (const QString group = memberships.Text(0);
                !group.isEmpty() && !stored.groups.contains(group)) {
                stored.groups.append(group);
            }
        }
        entry.Requery(rowid);
        stored.company = entry.Text(0);
        stored.department = entry.Text(1);
        stored.title = entry.Text(2);
        stored.card = entry.BytesView(3);
        if (Person p; readPerson(stored, p)) {
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
