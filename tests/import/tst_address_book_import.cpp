#include <QtTest>

#include "address_book_fixture.h"
#include "import/address_book_import.h"
#include "platform/error.h"

namespace {

// CP932 bytes of the Japanese texts used below.
#define YAMADA "\x8e\x52\x93\x63\x91\xbe\x98\x59"         // 山田太郎
#define TOZAI "\x87\x8a\x93\x8c\x90\xbc\x8f\xa4\x8e\x96"  // ㈱東西商事
#define EIGYO "\x89\x63\x8b\xc6\x95\x94"                  // 営業部
#define TAKAHASHI "\xfb\xfc\x8b\xb4\x87\x40"              // 髙橋① (髙 as Windows writes it)
#define KACHO "\x89\xdb\x92\xb7"                          // 課長
#define BUCHO "\x95\x94\x92\xb7"                          // 部長

QByteArray card(const QByteArray& name, const QByteArray& address, const QByteArray& org = {}) {
    QByteArray bytes = "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:" + name + "\r\n";
    if (!org.isNull()) {
        bytes += "ORG:" + org + "\r\n";
    }
    return bytes + "EMAIL;PREF:" + address + "\r\nEND:VCARD\r\n";
}

// An index line: three unused fields, then name, address and title.
QByteArray titleLine(const QByteArray& name, const QByteArray& address, const QByteArray& title) {
    return "0\tx\t\t" + name + "\t" + address + "\t" + title + "\r\n";
}

}  // namespace

class TestAddressBookImport : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void import_data();
    void import();
    void groupOrder_data();
    void groupOrder();
    void statusTexts();
    void failureKeepsOldData_data();
    void failureKeepsOldData();

private:
    std::unique_ptr<QTemporaryDir> dbDir_;
    std::unique_ptr<zt::Database> db_;
};

void TestAddressBookImport::init() {
    dbDir_ = std::make_unique<QTemporaryDir>();
    db_ = createDatabase(dbDir_->filePath(QStringLiteral("work.mdb")));
}

void TestAddressBookImport::cleanup() {
    db_.reset();
    dbDir_.reset();
}

void TestAddressBookImport::import_data() {
    QTest::addColumn<FileTree>("tree");
    QTest::addColumn<int>("groups");
    QTest::addColumn<QStringList>("memberships");
    QTest::addColumn<QStringList>("entries");

    QTest::newRow("cards of every group, empty texts not NULL")
        << FileTree{{u"友人/a.nrk"_qs, card(YAMADA, "taro@example.jp", TOZAI ";" EIGYO ";") +
                                           card(TAKAHASHI, "taka@example.jp")},
                    {u"仕事/w.nrk"_qs, "BEGIN:VCARD\r\nEND:VCARD\r\n"}}
        << 2
        << QStringList{u"仕事||"_qs, u"友人|山田太郎|taro@example.jp"_qs, u"友人|髙橋①|taka@example.jp"_qs}
        << QStringList{u"||||∅"_qs, u"山田太郎|taro@example.jp|㈱東西商事|営業部|∅"_qs,
                       u"髙橋①|taka@example.jp|||∅"_qs};

    QTest::newRow("title lands on the first stored, across folders")
        << FileTree{{u"A/c.nrk"_qs, card("X", "x@") + card("X", "x@")},
                    {u"B/c.nrk"_qs, card("X", "x@") + card("Y", "y@")},
                    {u"B/Group.idx"_qs, titleLine("X", "x@", KACHO) + titleLine("Y", "y@", BUCHO)}}
        << 2 << QStringList{u"A|X|x@"_qs, u"A|X|x@"_qs, u"B|X|x@"_qs, u"B|Y|y@"_qs}
        << QStringList{u"X|x@|||課長"_qs, u"X|x@|||∅"_qs, u"X|x@|||∅"_qs, u"Y|y@|||部長"_qs};

    QTest::newRow("Japanese names looked up")
        << FileTree{{u"g/c.nrk"_qs, card(YAMADA, "t@x", TOZAI) + card(TAKAHASHI, "k@x")},
                    {u"g/Group.idx"_qs, titleLine(TAKAHASHI, "k@x", KACHO) + titleLine(YAMADA, "t@x", BUCHO)}}
        << 1 << QStringList{u"g|山田太郎|t@x"_qs, u"g|髙橋①|k@x"_qs}
        << QStringList{u"山田太郎|t@x|㈱東西商事||部長"_qs, u"髙橋①|k@x|||課長"_qs};

    QTest::newRow("nothing carries over between index lines")
        << FileTree{{u"g/c.nrk"_qs, card("X", "x@") + card("Y", "y@") + card("", "")},
                    {u"g/Group.idx"_qs,
                     titleLine("X", "x@", KACHO) + "0\tx\t\tY\ty@\r\n" + "a\tb\r\n" + "\r\n"}}
        << 1 << QStringList{u"g|X|x@"_qs, u"g|Y|y@"_qs, u"g||"_qs}
        << QStringList{u"X|x@|||課長"_qs, u"Y|y@|||∅"_qs, u"||||∅"_qs};

    QTest::newRow("later line for the same entry wins, empty title is a title")
        << FileTree{{u"g/c.nrk"_qs, card("X", "x@") + card("Y", "y@")},
                    {u"g/Group.idx"_qs,
                     titleLine("X", "x@", KACHO) + titleLine("X", "x@", BUCHO) + titleLine("Y", "y@", "")}}
        << 1 << QStringList{u"g|X|x@"_qs, u"g|Y|y@"_qs} << QStringList{u"X|x@|||部長"_qs, u"Y|y@|||"_qs};

    QTest::newRow("fields past the eighth ignored")
        << FileTree{{u"g/c.nrk"_qs, card("X", "x@")},
                    {u"g/Group.idx"_qs, "1\t2\t3\tX\tx@\tT\t7\t8\t9\t10\r\n"}}
        << 1 << QStringList{u"g|X|x@"_qs} << QStringList{u"X|x@|||T"_qs};

    QTest::newRow("name and address must both match, exactly")
        << FileTree{{u"g/c.nrk"_qs, card("X", "x@")},
                    {u"g/Group.idx"_qs,
                     titleLine("X", "y@", "T1") + titleLine("x", "x@", "T2") + titleLine("X ", "x@", "T3")}}
        << 1 << QStringList{u"g|X|x@"_qs} << QStringList{u"X|x@|||∅"_qs};

    QTest::newRow("quotes are ordinary data")
        << FileTree{{u"O'Neil's/c.nrk"_qs, card("O'Brien", "o'b@x", "A'B;C'")},
                    {u"O'Neil's/Group.idx"_qs, titleLine("O'Brien", "o'b@x", "'")}}
        << 1 << QStringList{u"O'Neil's|O'Brien|o'b@x"_qs} << QStringList{u"O'Brien|o'b@x|A'B|C'|'"_qs};

    QTest::newRow("folders without card file or index still count")
        << FileTree{{u"A/c.nrk"_qs, card("X", "x@")},
                    {u"B/Group.idx"_qs, titleLine("X", "x@", KACHO)},
                    {u"C/"_qs, {}},
                    {u"D/c.nrk"_qs, {}}}
        << 4 << QStringList{u"A|X|x@"_qs} << QStringList{u"X|x@|||課長"_qs};

    QTest::newRow("first visible card file in name order, extension in any case")
        << FileTree{{u"g/b.nrk"_qs, card("B", "b@")},
                    {u"g/a.NRK"_qs, card("A", "a@")},
                    {u"g/.0.nrk"_qs, card("Hidden", "h@")},
                    {u"g/0.nrk/"_qs, {}},
                    {u"g/0.nrk.bak"_qs, card("Backup", "k@")}}
        << 1 << QStringList{u"g|A|a@"_qs} << QStringList{u"A|a@|||∅"_qs};

    QTest::newRow("index file name in another case")
        << FileTree{{u"g/c.nrk"_qs, card("X", "x@")}, {u"g/GROUP.IDX"_qs, titleLine("X", "x@", "T")}} << 1
        << QStringList{u"g|X|x@"_qs} << QStringList{u"X|x@|||T"_qs};

    QTest::newRow("exact index file name preferred")
        << FileTree{{u"g/c.nrk"_qs, card("X", "x@")},
                    {u"g/GROUP.IDX"_qs, titleLine("X", "x@", "other")},
                    {u"g/Group.idx"_qs, titleLine("X", "x@", "exact")}}
        << 1 << QStringList{u"g|X|x@"_qs} << QStringList{u"X|x@|||exact"_qs};

    QTest::newRow("only the group folders themselves are read")
        << FileTree{{u"c.nrk"_qs, card("Top", "t@")},
                    {u"Group.idx"_qs, titleLine("X", "x@", "top")},
                    {u".hidden/c.nrk"_qs, card("Hidden", "h@")},
                    {u"g/c.nrk"_qs, card("X", "x@")},
                    {u"g/sub/c.nrk"_qs, card("Deep", "d@")}}
        << 1 << QStringList{u"g|X|x@"_qs} << QStringList{u"X|x@|||∅"_qs};

    QTest::newRow("odd line ends and bytes")
        << FileTree{{u"g/c.nrk"_qs,
                     "FN:a\x80"
                     "b\rEMAIL;PREF:a@x\nEND:VCARD\r\n\r\n"},
                    {u"g/Group.idx"_qs,
                     "0\t1\t2\ta\x80"
                     "b\ta@x\tT\r"}}
        << 1 << QStringList{u"g|a\uFFFDb|a@x"_qs} << QStringList{u"a\uFFFDb|a@x|||T"_qs};
}

void TestAddressBookImport::import() {
    QFETCH(FileTree, tree);
    QFETCH(int, groups);
    QFETCH(QStringList, memberships);
    QFETCH(QStringList, entries);

    AddressBookTree book;
    book.add(tree);
    QCOMPARE(zt::importAddressBook(*db_, book.picked()), groups);
    QCOMPARE(membershipRows(*db_), memberships);
    QCOMPARE(entryRows(*db_), entries);
}

void TestAddressBookImport::groupOrder_data() {
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QStringList>("expected");

    // Names are compared as if upper-cased; names equal that way fall back
    // to code order, so the order never depends on the file system.
    QTest::newRow("regardless of case")
        << QStringList{u"b"_qs, u"A"_qs, u"c"_qs} << QStringList{u"A"_qs, u"b"_qs, u"c"_qs};
    QTest::newRow("underscore after letters")
        << QStringList{u"a_"_qs, u"aB"_qs} << QStringList{u"aB"_qs, u"a_"_qs};
    QTest::newRow("case twins") << QStringList{u"ab"_qs, u"AB"_qs, u"Ab"_qs}
                                << QStringList{u"AB"_qs, u"Ab"_qs, u"ab"_qs};
    QTest::newRow("prefix first") << QStringList{u"友人2"_qs, u"友人"_qs, u"仕事"_qs}
                                  << QStringList{u"仕事"_qs, u"友人"_qs, u"友人2"_qs};
    QTest::newRow("hidden and files left out") << QStringList{u".git"_qs, u"g"_qs} << QStringList{u"g"_qs};
}

void TestAddressBookImport::groupOrder() {
    QFETCH(QStringList, folders);
    QFETCH(QStringList, expected);
    AddressBookTree book;
    for (const QString& folder : folders) {
        book.add({{folder + u'/', {}}});
    }
    book.write(u"file.nrk"_qs, card("X", "x@"));
    QCOMPARE(zt::groupFolderNames(book.picked()), expected);
}

void TestAddressBookImport::statusTexts() {
    AddressBookTree book;
    book.add({{u"g1/c.nrk"_qs, card("X", "x@")},
              {u"g1/Group.idx"_qs, titleLine("X", "x@", "T")},
              {u"g2/"_qs, {}}});
    QStringList shown;
    zt::importAddressBook(*db_, book.picked(), [&](const QString& text) { shown << text; });
    const QString folder = book.picked() + u"\r\nから読み込み"_qs;
    QCOMPARE(shown, (QStringList{u"g1\r\nから読み込み"_qs, folder, folder, u"g2\r\nから読み込み"_qs, folder,
                                 folder}));
}

void TestAddressBookImport::failureKeepsOldData_data() {
    QTest::addColumn<QString>("failure");
    QTest::newRow("chosen folder gone") << u"missing folder"_qs;
    QTest::newRow("database refuses a row") << u"database error"_qs;
    QTest::newRow("failure while reading the second group") << u"status error"_qs;
}

void TestAddressBookImport::failureKeepsOldData() {
    QFETCH(QString, failure);

    AddressBookTree oldBook;
    oldBook.add({{u"old/c.nrk"_qs, card(YAMADA, "t@x") + card("Z", "z@")},
                 {u"old/Group.idx"_qs, titleLine(YAMADA, "t@x", KACHO)}});
    zt::importAddressBook(*db_, oldBook.picked());
    const QStringList oldEntries = entryRows(*db_);
    const QStringList oldMemberships = membershipRows(*db_);
    QCOMPARE(oldEntries.size(), 2);

    // The failing import has already cleared, stored and titled rows when it stops.
    AddressBookTree book;
    book.add({{u"g1/c.nrk"_qs, card("A", "a@") + card("Z", "z@")},
              {u"g1/Group.idx"_qs, titleLine("Z", "z@", "T")},
              {u"g2/c.nrk"_qs, card("B", "b@") + card("boom", "x@")}});
    QString folder = book.picked();
    zt::StatusCallback status;
    if (failure == u"missing folder"_qs) {
        folder += u"/gone"_qs;
    } else if (failure == u"database error"_qs) {
        db_->Execute(
            u"CREATE TRIGGER refuse BEFORE INSERT ON アドレス情報 WHEN NEW.名前 = 'boom' "
            "BEGIN SELECT RAISE(ABORT, 'refused by test'); END"_qs);
    } else {
        status = [](const QString& text) {
            if (text.startsWith(u"g2"_qs)) {
                throw zt::Error(u"stopped by test"_qs);
            }
        };
    }

    QString error;
    try {
        zt::importAddressBook(*db_, folder, status);
    } catch (const zt::Error& e) {
        error = e.text();
    }
    QVERIFY2(!error.isEmpty(), "the import must fail");
    QCOMPARE(entryRows(*db_), oldEntries);
    QCOMPARE(membershipRows(*db_), oldMemberships);

    // Nothing is left half-open: the next import goes through.
    AddressBookTree good;
    good.add({{u"g/c.nrk"_qs, card("N", "n@")}});
    QCOMPARE(zt::importAddressBook(*db_, good.picked()), 1);
    QCOMPARE(entryRows(*db_), QStringList{u"N|n@|||∅"_qs});
}

QTEST_GUILESS_MAIN(TestAddressBookImport)
#include "tst_address_book_import.moc"
