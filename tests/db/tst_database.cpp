#include <QtTest>

#include "test_support.h"

using zt::Database;
using zt::FieldValue;
using zt::Params;

namespace {

// One output row as text: NULL shows as <NULL> so it stays distinct from "".
QString show(const FieldValue& v) {
    return v ? *v : QStringLiteral("<NULL>");
}

QStringList outputRows(Database& db, const QString& source) {
    QStringList rows;
    auto rs = db.OpenRecordset(source);
    while (!rs.Eof()) {
        QStringList fields;
        for (const char* name : {"グループ", "名前", "アドレス", "会社名", "部署名", "役職"}) {
            fields << show(rs.Fields(QString::fromUtf8(name)));
        }
        rows << fields.join(QLatin1Char('|'));
        rs.MoveNext();
    }
    return rows;
}

}  // namespace

class TestDatabase : public QObject {
    Q_OBJECT

    std::unique_ptr<WorkDb> work_;
    Database* db_ = nullptr;

    void addEntry(const FieldValue& name, const FieldValue& addr, const FieldValue& company,
                  const FieldValue& dept = QString(), const FieldValue& title = std::nullopt) {
        work_->entry(name, addr, company, dept, title);
    }
    void addMember(const QString& group, const QString& name, const QString& addr) {
        work_->member(group, name, addr);
    }

private slots:
    void init() {
        work_ = std::make_unique<WorkDb>();
        db_ = work_->db.get();
    }

    void refusesBadFiles_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("schema");  // SQL run on a fresh SQLite file, when contents is empty
        QTest::addColumn<QString>("expected");

        QTest::newRow("missing file") << QByteArray() << QString() << "unable to open database file";
        QTest::newRow("random bytes") << QByteArray(4096, '\x5a') << QString() << "file is not a database";
        QTest::newRow("foreign sqlite") << QByteArray() << "CREATE TABLE foo(x);"
                                        << "no such table: アドレス情報";
        QTest::newRow("no stored query") << QByteArray()
                                         << "CREATE TABLE アドレス情報(名前,アドレス,会社名,部署名,役職); "
                                            "CREATE TABLE グループ情報(グループ,名前,アドレス);"
                                         << "no such table: 出力情報";
        QTest::newRow("field missing") << QByteArray()
                                       << "CREATE TABLE アドレス情報(名前,アドレス,会社名,部署名); CREATE "
                                          "TABLE グループ情報(グループ,名前,アドレス);"
                                       << "no such column: 役職";
    }
    void refusesBadFiles() {
        QFETCH(QByteArray, contents);
        QFETCH(QString, schema);
        QFETCH(QString, expected);
        const QString file = work_->dir.filePath("bad.mdb");
        if (!contents.isEmpty()) {
            writeFile(file, contents);
        } else if (!schema.isEmpty()) {
            rawSql(file, schema.toUtf8().constData());
        }
        try {
            Database::open(file);
            QFAIL("opened a file that is not a working database");
        } catch (const zt::Error& e) {
            QVERIFY2(e.text().contains(expected), qPrintable(e.text()));
        }
        // Opening must never create or alter the file.
        if (contents.isEmpty() && schema.isEmpty()) {
            QVERIFY(!QFile::exists(file));
        }
    }

    void createNeverOverwrites() {
        addEntry(QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"));
        QVERIFY_THROWS_EXCEPTION(zt::Error, Database::create(db_->path()));
        QCOMPARE(outputRows(*db_, QStringLiteral("出力情報")).size(), 1);
    }

    void addNewKeepsNullDistinctFromEmpty() {
        auto rs = db_->OpenRecordset(QStringLiteral("SELECT * FROM アドレス情報"));
        QVERIFY(rs.Eof());
        rs.AddNew();
        rs.SetField(QStringLiteral("名前"), QString(""));
        rs.SetField(QStringLiteral("アドレス"), QStringLiteral("x@example.jp"));
        rs.Update();
        auto read =
            db_->OpenRecordset(QStringLiteral("SELECT 名前, アドレス, 会社名, 役職 FROM アドレス情報"));
        QVERIFY(!read.Eof());
        QCOMPARE(show(read.Fields(0)), QString(""));
        QCOMPARE(show(read.Fields(QStringLiteral("アドレス"))), QStringLiteral("x@example.jp"));
        QCOMPARE(show(read.Fields(QStringLiteral("役職"))), QStringLiteral("<NULL>"));
        QCOMPARE(read.Text(QStringLiteral("役職")), QString(""));
        read.MoveNext();
        QVERIFY(read.Eof());
        QVERIFY_THROWS_EXCEPTION(zt::Error, read.Fields(QStringLiteral("名前")));
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
            << QByteArray("\xe3\x88\xb1\xe9\xab\x99\xe2\x91\xa0") << QStringLiteral("㈱髙①");
        QTest::newRow("outside the BMP") << QByteArray("\xf0\x9f\x98\x80") << utf16({0xD83D, 0xDE00});
        QTest::newRow("encoded surrogate") << QByteArray("\xed\xa0\x80z") << utf16({u'a', 0xDC00});
        QTest::newRow("noncharacter, NUL") << QByteArray("\xef\xbf\xbe\x00z", 5) << utf16({0xFFFF, 0});
    }
    void textConvertsAsQtDoes() {
        QFETCH(QByteArray, stored);
        QFETCH(QString, written);
        const QString sql = QStringLiteral("INSERT INTO アドレス情報 (名前) VALUES (CAST(X'%1' AS TEXT))")
                                .arg(QString::fromLatin1(stored.toHex()));
        db_->Execute(sql);
        auto read = db_->OpenRecordset(QStringLiteral("SELECT 名前 FROM アドレス情報"));
        const QString expected = QString::fromUtf8(stored);
        QString reused = QStringLiteral("a longer value read before");
        read.ReadText(0, reused);
        QCOMPARE(reused, expected);
        QCOMPARE(read.Text(0), expected);
        QCOMPARE(read.Fields(QStringLiteral("名前")), FieldValue(expected));
        read.Close();

        db_->Execute(QStringLiteral("DELETE FROM アドレス情報"));
        auto table = db_->OpenRecordset(QStringLiteral("アドレス情報"));
        table.AddNew();
        table.SetField(table.FieldIndex(QStringLiteral("名前")), written);
        table.Update();
        auto bytes = db_->OpenRecordset(QStringLiteral("SELECT hex(名前) FROM アドレス情報"));
        QCOMPARE(bytes.Text(0), QString::fromLatin1(written.toUtf8().toHex().toUpper()));
    }

    void findFirstFindsFirstStoredAndEditsOnlyIt_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("addr");
        QTest::addColumn<int>("editedRow");  // 0-based in stored order, -1 for no match

        QTest::newRow("first of two equal") << "髙橋㈱"
                                            << "a@x" << 0;
        QTest::newRow("single later row") << "佐藤"
                                          << "s@x" << 2;
        QTest::newRow("quote in name") << "O'Brien"
                                       << "o'b@x" << 3;
        QTest::newRow("sql text in name") << "'); DROP TABLE アドレス情報; --"
                                          << "z" << 4;
        QTest::newRow("no match") << "髙橋㈱"
                                  << "other@x" << -1;
        QTest::newRow("name matches, address case differs") << "佐藤"
                                                            << "S@x" << -1;
    }
    void findFirstFindsFirstStoredAndEditsOnlyIt() {
        QFETCH(QString, name);
        QFETCH(QString, addr);
        QFETCH(int, editedRow);
        auto rs = db_->OpenRecordset(QStringLiteral("SELECT * FROM アドレス情報"));
        const QStringList names{"髙橋㈱", "髙橋㈱", "佐藤", "O'Brien", "'); DROP TABLE アドレス情報; --"};
        const QStringList addrs{"a@x", "a@x", "s@x", "o'b@x", "z"};
        for (int i = 0; i < names.size(); ++i) {
            rs.AddNew();
            rs.SetField(QStringLiteral("名前"), names[i]);
            rs.SetField(QStringLiteral("アドレス"), addrs[i]);
            rs.SetField(QStringLiteral("会社名"), QString::number(i));
            rs.Update();
        }
        // Rows added through the record set are found by it.
        rs.FindFirst(QStringLiteral("名前 = ? AND アドレス = ?"), {name, addr});
        QCOMPARE(rs.NoMatch(), editedRow < 0);
        if (!rs.NoMatch()) {
            QCOMPARE(rs.Text(QStringLiteral("会社名")), QString::number(editedRow));
            rs.Edit();
            rs.SetField(QStringLiteral("役職"), QStringLiteral("課長"));
            rs.Update();
        }
        auto read = db_->OpenRecordset(QStringLiteral("SELECT 役職 FROM アドレス情報 ORDER BY rowid"));
        for (int i = 0; i < names.size(); ++i) {
            QCOMPARE(show(read.Fields(0)),
                     i == editedRow ? QStringLiteral("課長") : QStringLiteral("<NULL>"));
            read.MoveNext();
        }
        QVERIFY(read.Eof());
    }

    void outputQueryPairsEntriesAndGroups() {
        // Stored as the import stores them: membership, then entry, card by card.
        addMember(QStringLiteral("仕事"), QStringLiteral("伊藤"), QStringLiteral("i@x"));
        addEntry(QStringLiteral("伊藤"), QStringLiteral("i@x"), QStringLiteral("南北工業"), QString(),
                 QStringLiteral("部長"));
        addMember(QStringLiteral("友人"), QStringLiteral("伊藤"),
                  QStringLiteral("i@x"));  // second card, other group
        addEntry(QStringLiteral("伊藤"), QStringLiteral("i@x"), QStringLiteral("別会社"));
        addMember(QStringLiteral("仕事"), QStringLiteral("伊藤"),
                  QStringLiteral("i@x"));  // twice in one group
        addEntry(QStringLiteral("伊藤"), QStringLiteral("i@x"), QStringLiteral("三番目"));
        addMember(QStringLiteral("仕事"), QStringLiteral("幽霊"), QStringLiteral("g@x"));  // no entry: no row
        addEntry(QStringLiteral("田中"), QStringLiteral("t@x"), QStringLiteral("東西商事"),
                 QStringLiteral("営業部"));  // no membership: NULL group
        addMember(QStringLiteral("営業'部"), QStringLiteral("佐藤"), QStringLiteral("s@x"));
        addEntry(QStringLiteral("佐藤"), QStringLiteral("s@x"), QString());

        const QStringList expected{
            "仕事|伊藤|i@x|南北工業||部長",
            "友人|伊藤|i@x|南北工業||部長",
            "<NULL>|田中|t@x|東西商事|営業部|<NULL>",
            "営業'部|佐藤|s@x|||<NULL>",
        };
        QCOMPARE(outputRows(*db_, QStringLiteral("出力情報")), expected);
        auto byGroup = db_->OpenRecordset(
            QStringLiteral("SELECT * FROM 出力情報 WHERE グループ = ? ORDER BY 名前,アドレス"),
            {QStringLiteral("営業'部")});
        QVERIFY(!byGroup.Eof());
        QCOMPARE(byGroup.Text(QStringLiteral("名前")), QStringLiteral("佐藤"));
    }

    void transactionRollsBackWhatItDid() {
        addEntry(QStringLiteral("old"), QStringLiteral("o@x"), QString());
        try {
            zt::Transaction t(*db_);
            db_->Execute(QStringLiteral("DELETE FROM アドレス情報"));
            addEntry(QStringLiteral("new"), QStringLiteral("n@x"), QString());
            throw zt::Error(QStringLiteral("boom"));
        } catch (const zt::Error&) {
        }
        QCOMPARE(outputRows(*db_, QStringLiteral("出力情報")), QStringList{"<NULL>|old|o@x|||<NULL>"});
        {
            zt::Transaction t(*db_);
            db_->Execute(QStringLiteral("DELETE FROM アドレス情報"));
            t.commit();
        }
        QVERIFY(outputRows(*db_, QStringLiteral("出力情報")).isEmpty());
    }

    void errorsCarryTheEnginesText() {
        try {
            db_->Execute(QStringLiteral("DELETE FROM ないテーブル"));
            QFAIL("no error");
        } catch (const zt::Error& e) {
            QVERIFY2(e.text().contains(QStringLiteral("no such table: ないテーブル")), qPrintable(e.text()));
        }
        auto rs = db_->OpenRecordset(QStringLiteral("SELECT 名前 FROM アドレス情報"));
        QVERIFY_THROWS_EXCEPTION(zt::Error, rs.AddNew());
        QVERIFY_THROWS_EXCEPTION(zt::Error, rs.Fields(QStringLiteral("ない")));
        QVERIFY_THROWS_EXCEPTION(zt::Error, db_->Execute(QStringLiteral("SELECT ?"), {}));
    }

    void sameQueryOpenTwiceReadsIndependently() {
        addEntry(QStringLiteral("a"), QStringLiteral("1"), QString());
        addEntry(QStringLiteral("b"), QStringLiteral("2"), QString());
        const QString sql = QStringLiteral("SELECT 名前 FROM アドレス情報 ORDER BY 名前");
        auto outer = db_->OpenRecordset(sql);
        auto inner = db_->OpenRecordset(sql);
        inner.MoveNext();
        QCOMPARE(outer.Text(0), QStringLiteral("a"));
        QCOMPARE(inner.Text(0), QStringLiteral("b"));
        inner.Close();
        QVERIFY(inner.Eof());
        outer.MoveNext();
        QCOMPARE(outer.Text(0), QStringLiteral("b"));
    }
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
