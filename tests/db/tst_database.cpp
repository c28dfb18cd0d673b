// The working database: the queries 出力情報 and 出力人物 against a model, on
// small random tables with NULLs, empty texts and deleted rows.
#include <QRandomGenerator>
#include <algorithm>
#include <limits>

#include "test_support.h"

using zt::FieldValue;

namespace {

struct Row {
    qint64 rowid;
    FieldValue group, name, address, company, title;  // a membership leaves company and title unset
    // An entry's: who it is (NULL a person of its own) and the membership stored with it (0 none).
    std::optional<QByteArray> person;
    qint64 own = 0;
};

bool samePair(const Row& a, const Row& b) {  // SQL's IS: NULL matches only NULL
    return a.name == b.name && a.address == b.address;
}

// One row per distinct membership whose pair has an entry, with that pair's
// first-stored entry; one NULL-group row per entry pair no membership names;
// stored order (the vectors' order), an entry ahead of a membership at a rowid.
QStringList expectedRows(const std::vector<Row>& members, const std::vector<Row>& entries) {
    QMap<QPair<qint64, int>, QString> out;
    const auto add = [&](qint64 at, int kind, const FieldValue& group, const Row& e) {
        QStringList fields;
        for (const FieldValue& v : {group, e.name, e.address, e.company, e.title}) {
            fields << v.value_or(u"∅"_qs);
        }
        out[{at, kind}] = fields.join(u'|');
    };
    for (auto m = members.begin(); m != members.end(); ++m) {
        const auto first =
            std::find_if(entries.begin(), entries.end(), [&](const Row& e) { return samePair(e, *m); });
        if (first != entries.end() && std::none_of(members.begin(), m, [&](const Row& y) {
                return y.group == m->group && samePair(y, *m);
            })) {
            add(m->rowid, 1, m->group, *first);
        }
    }
    for (auto e = entries.begin(); e != entries.end(); ++e) {
        const auto pair = [&](const Row& y) { return samePair(y, *e); };
        if (std::none_of(members.begin(), members.end(), pair) && std::none_of(entries.begin(), e, pair)) {
            add(e->rowid, 0, std::nullopt, *e);
        }
    }
    return out.values();
}

// One row per person, its entries' rowids: those of one 人物, or an entry
// without one alone. An entry stands where its own membership is, else its
// pair's first, else itself, ahead of a membership at the same rowid; a
// person where its first-placed entry does, ties by its first entry.
QStringList expectedPeople(const std::vector<Row>& members, const std::vector<Row>& entries) {
    QMap<QPair<qint64, qint64>, QString> people;  // by (place, first entry)
    std::vector<bool> taken(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        qint64 place = std::numeric_limits<qint64>::max();
        QStringList rowids;
        for (size_t j = i; j < entries.size() && !taken[i]; ++j) {
            const Row& e = entries[j];
            if (j == i || (entries[i].person && e.person == entries[i].person)) {
                taken[j] = j != i;
                rowids << QString::number(e.rowid);
                const auto m = std::find_if(members.begin(), members.end(),
                                            [&](const Row& y) { return samePair(y, e); });
                place = std::min(place, e.own != 0           ? 2 * e.own + 1
                                        : m != members.end() ? 2 * m->rowid + 1
                                                             : 2 * e.rowid);
            }
        }
        if (!rowids.isEmpty()) {
            people[{place, entries[i].rowid}] = rowids.join(u',') + (entries[i].person ? u"|0"_qs : u"|1"_qs);
        }
    }
    return people.values();
}

}  // namespace

class TestDatabase : public QObject {
    Q_OBJECT

private slots:
    // A database is never overwritten; a record set keeps its connection open
    // after the database object is gone.
    void lifetimes() {
        WorkDb work;
        work.entry("a", "b", "", "", {});
        QVERIFY_THROWS_EXCEPTION(zt::Error, zt::Database::create(work.db->path()));
        zt::Recordset rows = work.db->OpenRecordset(u"SELECT 名前 FROM アドレス情報"_qs);
        work.db.reset();
        QCOMPARE(rows.Text(0), u"a"_qs);
        rows.MoveNext();
        QVERIFY(rows.Eof());
    }

    // An earlier program's file holding an import is brought up to date when
    // opened: the same rows and outputs, no cards for them, and room for new ones.
    void olderLayoutIsUpgraded_data() {
        QTest::addColumn<int>("version");
        QTest::newRow("without cards") << 0;
        QTest::newRow("without memberships named") << 1;
        QTest::newRow("without interpreted cards") << 2;
    }
    void olderLayoutIsUpgraded() {
        QFETCH(int, version);
        WorkDb work;
        storeRows(work, u"csv_worked_example"_qs);
        const QString output = u"SELECT * FROM 出力情報"_qs;
        const QStringList entries = entryRows(*work.db), rows = queryRows(*work.db, output);
        const QStringList people = peopleRows(*work.db);
        if (version == 0) {
            makeVersion0(*work.db);
            QVERIFY(queryRows(*work.db, output) != rows);
        } else if (version == 1) {
            makeVersion1(*work.db);
        } else {
            makeVersion2(*work.db);
        }
        work.db = zt::openWorkingDatabase(work.db->path());
        QCOMPARE(entryRows(*work.db), entries);
        QCOMPARE(queryRows(*work.db, output), rows);
        QCOMPARE(peopleRows(*work.db), people);
        QCOMPARE(people.size(), 4);
        const QByteArray card("BEGIN:VCARD\r\nFN:\x95\\\r\nEND:VCARD\r\n\0", 32);
        work.db->Execute(u"INSERT INTO アドレス情報 (カード) VALUES (?)"_qs, {card});
        QCOMPARE(
            queryRows(
                *work.db,
                u"SELECT count(カード), count(所属), user_version FROM アドレス情報, pragma_user_version"_qs),
            QStringList{u"1|0|4"_qs});
        zt::Recordset stored =
            work.db->OpenRecordset(u"SELECT カード FROM アドレス情報 WHERE カード NOTNULL"_qs);
        QCOMPARE(stored.Bytes(0), card);
    }

    // Rows without cards are their pairs: 出力人物 names each pair of 出力情報
    // once, where its first row is, with the pair's first-stored entry. people_order: entries before, between
    // and after their memberships, members without an entry, NULL beside empty, a pair stored twice, a blank
    // group.
    void peopleFollowTheOutputRows_data() {
        QTest::addColumn<QString>("rows");
        for (const QString& file : QDir(testData(QString())).entryList({u"*.rows"_qs}, QDir::Files)) {
            QTest::newRow(qPrintable(file)) << file.chopped(5);
        }
    }
    void peopleFollowTheOutputRows() {
        WorkDb work;
        QFETCH(QString, rows);
        storeRows(work, rows);
        QStringList pairs;
        for (const QString& row : queryRows(*work.db, u"SELECT 名前, アドレス, 会社名 FROM 出力情報"_qs)) {
            if (!pairs.contains(row)) {
                pairs << row;
            }
        }
        QCOMPARE(queryRows(*work.db,
                           u"SELECT (SELECT 名前 FROM アドレス情報 WHERE rowid = 項目), "
                           u"(SELECT アドレス FROM アドレス情報 WHERE rowid = 項目), "
                           u"(SELECT 会社名 FROM アドレス情報 WHERE rowid = 項目) FROM 出力人物"_qs),
                 pairs);
    }

    // Stores a card as the import does (membership, then entry, which may be
    // someone other than its pair says, or nobody), or a row alone, or deletes
    // one, in a random order.
    void matchesItsDefinition() {
        WorkDb work;
        QRandomGenerator random(20240601);
        const auto pick = [&](std::initializer_list<FieldValue> from) {
            return from.begin()[random.bounded(int(from.size()))];
        };
        const auto rowid = [&] {
            return work.db->OpenRecordset(u"SELECT last_insert_rowid()"_qs).Text(0).toLongLong();
        };
        int stored = 0;
        for (int round = 0; round < 200; ++round) {
            zt::Transaction transaction(*work.db);  // rolled back: nothing reaches the disk
            std::vector<Row> members, entries;
            for (int steps = 1 + random.bounded(14); steps > 0; --steps) {
                const int action = random.bounded(100);
                const FieldValue name = pick({std::nullopt, u""_qs, u"a"_qs, u"b"_qs}),
                                 address = pick({std::nullopt, u""_qs, u"x"_qs});
                if (action < 65) {
                    const FieldValue group = pick({std::nullopt, u"g"_qs, u"h"_qs});
                    work.member(group, name, address);
                    members.push_back({rowid(), group, name, address, {}, {}, {}, 0});
                }
                if (action < 50 || (action >= 65 && action < 80)) {
                    // The company tells which entry a row took its fields from.
                    const FieldValue company = u"c%1"_qs.arg(++stored), title = pick({std::nullopt, u"t"_qs});
                    work.entry(name, address, company, u""_qs, title);
                    Row e{rowid(), {}, name, address, company, title, {}, 0};
                    if (const int who = random.bounded(4); action < 50 && who < 3) {
                        e.own = members.back().rowid;
                        e.person = who == 0 ? std::nullopt : std::optional(QByteArray(who == 1 ? "k" : "l"));
                        work.db->Execute(u"UPDATE アドレス情報 SET 人物 = ?, 所属 = ? WHERE rowid = ?"_qs,
                                         {e.person.value_or(QByteArray()), e.own, e.rowid});
                    }
                    entries.push_back(e);
                }
                std::vector<Row>& rows = action < 90 ? members : entries;
                if (action >= 80 && !rows.empty()) {
                    const auto at = rows.begin() + random.bounded(int(rows.size()));
                    work.db->Execute(u"DELETE FROM %1 WHERE rowid = ?"_qs.arg(
                                         action < 90 ? u"グループ情報"_qs : u"アドレス情報"_qs),
                                     {QString::number(at->rowid)});
                    rows.erase(at);
                }
            }
            QCOMPARE(queryRows(*work.db, u"SELECT グループ, 名前, アドレス, 会社名, 役職 FROM 出力情報"_qs),
                     expectedRows(members, entries));
            QCOMPARE(peopleRows(*work.db), expectedPeople(members, entries));
        }
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
