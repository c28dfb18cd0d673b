#include <QtTest>

#include "test_support.h"

using zt::Database;
using zt::FieldValue;
using zt::Params;

class TestDatabase : public QObject {
    Q_OBJECT

    std::unique_ptr<WorkDb> work_;
    Database* db_ = nullptr;

    void addEntry(const FieldValue& name, const FieldValue& addr) { work_->entry(name, addr, "", "", {}); }

private slots:
    void init() {
        work_ = std::make_unique<WorkDb>();
        db_ = work_->db.get();
    }

    // Files the program never made are refused with the engine's own text,
    // whatever part of the schema they lack, and are left as they were.
    void refusesForeignSchemas_data() {
        QTest::addColumn<QByteArray>("schema");
        QTest::addColumn<QString>("expected");
        const QByteArray groups = "CREATE TABLE グループ情報(グループ,名前,アドレス);";
        QTest::newRow("no stored query")
            << "CREATE TABLE アドレス情報(名前,アドレス,会社名,部署名,役職);" + groups
            << u"no such table: 出力情報"_qs;
        QTest::newRow("field missing") << "CREATE TABLE アドレス情報(名前,アドレス,会社名,部署名);" + groups
                                       << u"no such column: 役職"_qs;
    }
    void refusesForeignSchemas() {
        QFETCH(QByteArray, schema);
        QFETCH(QString, expected);
        const QString file = work_->dir.filePath("bad.mdb");
        rawSql(file, schema.constData());
        const QByteArray before = fileBytes(file);
        try {
            Database::open(file);
            QFAIL("opened a file that is not a working database");
        } catch (const zt::Error& e) {
            QVERIFY2(e.text().contains(expected), qPrintable(e.text()));
        }
        QCOMPARE(fileBytes(file), before);
    }

    void createNeverOverwrites() {
        addEntry("a", "b");
        QVERIFY_THROWS_EXCEPTION(zt::Error, Database::create(db_->path()));
        QCOMPARE(entryRows(*db_).size(), 1);
    }

    // NULL and the empty text stay apart, and a text reads back as written,
    // stored as its UTF-8.
    void textRoundTrips_data() {
        QTest::addColumn<FieldValue>("written");
        const char16_t smileAndNul[] = {0xD83D, 0xDE00, 0, u'z'};
        QTest::newRow("NULL") << kNull;
        QTest::newRow("empty") << FieldValue(u""_qs);
        QTest::newRow("CP932 repertoire") << FieldValue(u"㈱髙①"_qs);
        QTest::newRow("outside the BMP, NUL")
            << FieldValue(QString(reinterpret_cast<const QChar*>(smileAndNul), 4));
    }
    void textRoundTrips() {
        QFETCH(FieldValue, written);
        auto table = db_->OpenTable(u"アドレス情報"_qs);
        table.AddNew();
        table.SetField(table.FieldIndex(u"名前"_qs), written);
        table.Update();
        auto read = db_->OpenRecordset(u"SELECT 名前, hex(名前) FROM アドレス情報"_qs);
        QCOMPARE(read.Fields(0).value_or(u"∅"_qs), written.value_or(u"∅"_qs));
        QString reused = u"a longer value read before"_qs;
        read.ReadText(0, reused);
        QCOMPARE(reused, written.value_or(QString()));
        QCOMPARE(read.Text(1), QString::fromLatin1(written.value_or(QString()).toUtf8().toHex().toUpper()));
    }

    void findFirstFindsFirstStoredAndEditsOnlyIt_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("addr");
        QTest::addColumn<int>("editedRow");  // 0-based in stored order, -1 for no match

        QTest::newRow("first of two equal") << "髙橋㈱"
                                            << "a@x" << 0;
        QTest::newRow("quote in name") << "O'Brien"
                                       << "o'b@x" << 2;
        QTest::newRow("no match") << "髙橋㈱"
                                  << "A@x" << -1;
    }
    void findFirstFindsFirstStoredAndEditsOnlyIt() {
        QFETCH(QString, name);
        QFETCH(QString, addr);
        QFETCH(int, editedRow);
        auto rs = db_->OpenTable(u"アドレス情報"_qs);
        const QStringList names{"髙橋㈱", "髙橋㈱", "O'Brien"};
        const QStringList addrs{"a@x", "a@x", "o'b@x"};
        for (int i = 0; i < names.size(); ++i) {
            rs.AddNew();
            rs.SetField(rs.FieldIndex(u"名前"_qs), names[i]);
            rs.SetField(rs.FieldIndex(u"アドレス"_qs), addrs[i]);
            rs.SetField(rs.FieldIndex(u"会社名"_qs), QString::number(i));
            rs.Update();
        }
        // Rows added through the record set are found by it.
        rs.FindFirst(u"名前 = ? AND アドレス = ?"_qs, {name, addr});
        QCOMPARE(rs.NoMatch(), editedRow < 0);
        if (!rs.NoMatch()) {
            rs.Edit();
            rs.SetField(rs.FieldIndex(u"役職"_qs), u"課長"_qs);
            rs.Update();
        }
        QStringList expected;  // an edit keeps the fields it did not set
        for (int i = 0; i < names.size(); ++i)
            expected << u"%1|%2"_qs.arg(i).arg(i == editedRow ? u"課長"_qs : u"∅"_qs);
        QCOMPARE(rows(*db_, u"アドレス情報"_qs, u"会社名, 役職"_qs), expected);
    }

    // Stored as the import stores them, card by card: the same entry in a second
    // group and again in the first; a membership with no entry gives no row, an
    // entry with no membership a NULL group; fields from the first-stored entry.
    void outputQueryPairsEntriesAndGroups() {
        work_->person("仕事", "伊藤", "i@x", "南北工業", "", "部長");
        work_->person("友人", "伊藤", "i@x", "別会社", "", kNull);
        work_->person("仕事", "伊藤", "i@x", "三番目", "", kNull);
        work_->member("仕事", "幽霊", "g@x");
        work_->person(kNull, "田中", "t@x", "東西商事", "営業部", kNull);
        work_->person("営業'部", "佐藤", "s@x", "", "", kNull);
        QStringList out;
        for (auto rs = db_->OpenRecordset(u"出力情報"_qs); !rs.Eof(); rs.MoveNext()) {
            QStringList fields;
            for (const char* name : {"グループ", "名前", "アドレス", "会社名", "部署名", "役職"})
                fields << rs.Fields(rs.FieldIndex(QString::fromUtf8(name))).value_or(u"∅"_qs);
            out << fields.join(u'|');
        }
        QCOMPARE(out, QStringList({"仕事|伊藤|i@x|南北工業||部長", "友人|伊藤|i@x|南北工業||部長",
                                   "∅|田中|t@x|東西商事|営業部|∅", "営業'部|佐藤|s@x|||∅"}));
    }

    void transactionRollsBackWhatItDid() {
        addEntry("old", "o@x");
        try {
            zt::Transaction t(*db_);
            db_->Execute(u"DELETE FROM アドレス情報"_qs);
            addEntry("new", "n@x");
            throw zt::Error(u"boom"_qs);
        } catch (const zt::Error&) {
        }
        QCOMPARE(entryRows(*db_), QStringList{"old|o@x|||∅"});
        {
            zt::Transaction t(*db_);
            db_->Execute(u"DELETE FROM アドレス情報"_qs);
            t.commit();
        }
        QVERIFY(entryRows(*db_).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
