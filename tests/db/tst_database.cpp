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

    // The record sets convert between UTF-16 and the stored UTF-8 on their
    // own; whatever the bytes, a value must read and store as Qt converts it.
    void textConvertsAsQtDoes_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("written");

        const auto utf16 = [](std::initializer_list<char16_t> units) {
            return QString(reinterpret_cast<const QChar*>(units.begin()),
                           static_cast<qsizetype>(units.size()));
        };
        QTest::newRow("CP932 repertoire")
            << QByteArray("\xe3\x88\xb1\xe9\xab\x99\xe2\x91\xa0") << u"㈱髙①"_qs;
        QTest::newRow("outside the BMP") << QByteArray("\xf0\x9f\x98\x80") << utf16({0xD83D, 0xDE00});
        QTest::newRow("encoded surrogate") << QByteArray("\xed\xa0\x80z") << utf16({u'a', 0xDC00});
        QTest::newRow("noncharacter, NUL") << QByteArray("\xef\xbf\xbe\x00z", 5) << utf16({0xFFFF, 0});
    }
    void textConvertsAsQtDoes() {
        QFETCH(QByteArray, stored);
        QFETCH(QString, written);
        const QString sql = u"INSERT INTO アドレス情報 (名前) VALUES (CAST(X'%1' AS TEXT))"_qs.arg(
            QString::fromLatin1(stored.toHex()));
        db_->Execute(sql);
        auto read = db_->OpenRecordset(u"SELECT 名前 FROM アドレス情報"_qs);
        const QString expected = QString::fromUtf8(stored);
        QString reused = u"a longer value read before"_qs;
        read.ReadText(0, reused);
        QCOMPARE(reused, expected);
        QCOMPARE(read.Text(0), expected);
        read.Close();

        db_->Execute(u"DELETE FROM アドレス情報"_qs);
        auto table = db_->OpenRecordset(u"アドレス情報"_qs);
        table.AddNew();
        table.SetField(table.FieldIndex(u"名前"_qs), written);
        table.Update();
        auto bytes = db_->OpenRecordset(u"SELECT hex(名前) FROM アドレス情報"_qs);
        QCOMPARE(bytes.Text(0), QString::fromLatin1(written.toUtf8().toHex().toUpper()));
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
        auto rs = db_->OpenRecordset(u"SELECT * FROM アドレス情報"_qs);
        const QStringList names{"髙橋㈱", "髙橋㈱", "O'Brien"};
        const QStringList addrs{"a@x", "a@x", "o'b@x"};
        for (int i = 0; i < names.size(); ++i) {
            rs.AddNew();
            rs.SetField(u"名前"_qs, names[i]);
            rs.SetField(u"アドレス"_qs, addrs[i]);
            rs.SetField(u"会社名"_qs, QString::number(i));
            rs.Update();
        }
        // Rows added through the record set are found by it.
        rs.FindFirst(u"名前 = ? AND アドレス = ?"_qs, {name, addr});
        QCOMPARE(rs.NoMatch(), editedRow < 0);
        if (!rs.NoMatch()) {
            QCOMPARE(rs.Text(u"会社名"_qs), QString::number(editedRow));
            rs.Edit();
            rs.SetField(u"役職"_qs, u"課長"_qs);
            rs.Update();
        }
        QStringList titles(names.size(), u"∅"_qs);
        if (editedRow >= 0) {
            titles[editedRow] = u"課長"_qs;
        }
        QCOMPARE(rows(*db_, u"アドレス情報"_qs, u"役職"_qs), titles);
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
            for (const char* name : {"グループ", "名前", "アドレス", "会社名", "部署名", "役職"}) {
                fields << rs.Fields(QString::fromUtf8(name)).value_or(u"∅"_qs);
            }
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
