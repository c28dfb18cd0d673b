// The working database: what it keeps of its handles, and older files brought up to date.
#include "test_support.h"

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
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
