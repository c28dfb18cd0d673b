#include <sys/stat.h>
#include <unistd.h>

#include <QtTest>

#include "import/address_book_import.h"
#include "platform/error.h"
#include "test_support.h"

namespace {

// Every card here has the same company and department unless it says otherwise.
QByteArray abCard(const QByteArray& name, const QByteArray& address, const QByteArray& org = "A;B;") {
    return card(name, address, org);
}

const QByteArray kTakahashi = "\xfb\xfc\x8b\xb4\x87\x40";  // 髙橋① in CP932
const QByteArray kKacho = "\x89\xdb\x92\xb7";              // 課長

}  // namespace

class TestAddressBookImport : public QObject {
    Q_OBJECT
private slots:
    void init() {
        work_ = std::make_unique<WorkDb>();
        db_ = work_->db.get();
    }

    void import_data() {
        QTest::addColumn<FileTree>("tree");
        QTest::addColumn<int>("groups");
        QTest::addColumn<QStringList>("memberships");
        QTest::addColumn<QStringList>("entries");

        // Groups come in listing order regardless of case: A before b before 友人.
        QTest::newRow("groups, cards, Japanese title")
            << FileTree{{u"友人/a.nrk"_qs, abCard(kTakahashi, "t@x", "\x87\x8a;") + "END:VCARD\r\n"},
                        {u"友人/Group.idx"_qs, titleLine(kTakahashi, "t@x", kKacho)},
                        {u"b/c.nrk"_qs, abCard("Y", "y@")},
                        {u"A/"_qs, {}}}
            << 3 << QStringList{u"b|Y|y@"_qs, u"友人|髙橋①|t@x"_qs, u"友人||"_qs}
            << QStringList{u"Y|y@|A|B|∅"_qs, u"髙橋①|t@x|㈱||課長"_qs, u"||||∅"_qs};
        QTest::newRow("missing or empty files, index name in another case")
            << FileTree{{u"A/c.nrk"_qs, abCard("X", "x@")},
                        {u"B/GROUP.IDX"_qs, titleLine("X", "x@", "T")},
                        {u"C/"_qs, {}},
                        {u"D/c.nrk"_qs, {}}}
            << 4 << QStringList{u"A|X|x@"_qs} << QStringList{u"X|x@|A|B|T"_qs};
        QTest::newRow("first visible card file, extension in any case")
            << FileTree{{u"g/b.nrk"_qs, abCard("B", "b@")},
                        {u"g/a.NRK"_qs, abCard("A", "a@")},
                        {u"g/.0.nrk"_qs, abCard("H", "h@")},
                        {u"g/0.nrk/"_qs, {}}}
            << 1 << QStringList{u"g|A|a@"_qs} << QStringList{u"A|a@|A|B|∅"_qs};
        QTest::newRow("only the group folders are read")
            << FileTree{{u"c.nrk"_qs, abCard("Top", "t@")},
                        {u".hidden/c.nrk"_qs, abCard("H", "h@")},
                        {u"g/sub/c.nrk"_qs, abCard("Deep", "d@")}}
            << 1 << QStringList{} << QStringList{};
    }

    void import() {
        QFETCH(FileTree, tree);
        QFETCH(int, groups);
        QFETCH(QStringList, memberships);
        QFETCH(QStringList, entries);

        AddressBookTree book(tree);
        QCOMPARE(zt::importAddressBook(*db_, book.picked()), groups);
        QCOMPARE(membershipRows(*db_), memberships);
        QCOMPARE(entryRows(*db_), entries);
    }

    void failureKeepsOldData_data() {
        QTest::addColumn<QString>("failure");
        QTest::newRow("chosen folder gone") << u"folder"_qs;
        QTest::newRow("database refuses the last card") << u"database"_qs;
    }

    void failureKeepsOldData() {
        QFETCH(QString, failure);
        AddressBookTree old(
            {{u"old/c.nrk"_qs, abCard("O", "o@")}, {u"old/Group.idx"_qs, titleLine("O", "o@", "T")}});
        zt::importAddressBook(*db_, old.picked());
        const QStringList oldEntries = entryRows(*db_);
        const QStringList oldMemberships = membershipRows(*db_);

        // By the time it fails, the import has cleared, stored and titled rows.
        AddressBookTree book({{u"g1/c.nrk"_qs, abCard("A", "a@")},
                              {u"g1/Group.idx"_qs, titleLine("A", "a@", "T")},
                              {u"g2/c.nrk"_qs, abCard("B", "b@") + abCard("boom", "x@")}});
        if (failure == u"database"_qs) {
            db_->Execute(
                u"CREATE TRIGGER refuse BEFORE INSERT ON アドレス情報 WHEN NEW.名前 = 'boom' "
                "BEGIN SELECT RAISE(ABORT, 'refused'); END"_qs);
        }
        const QString folder = book.picked() + (failure == u"folder"_qs ? u"/gone"_qs : QString());
        QVERIFY_THROWS_EXCEPTION(zt::Error, zt::importAddressBook(*db_, folder));
        QCOMPARE(entryRows(*db_), oldEntries);
        QCOMPARE(membershipRows(*db_), oldMemberships);

        // Nothing is left half-open: the next import goes through.
        AddressBookTree good({{u"g/c.nrk"_qs, abCard("N", "n@")}});
        QCOMPARE(zt::importAddressBook(*db_, good.picked()), 1);
    }

    // A FIFO or a link to a device would block or never end: none is opened.
    void filesThatAreNoFiles() {
        AddressBookTree book({{u"g/z.nrk"_qs, card("z", "z@")}});
        const QByteArray folder = QFile::encodeName(book.picked() + u"/g/"_qs);
        QCOMPARE(::mkfifo(folder + "b.nrk", 0600), 0);
        QCOMPARE(::symlink("/dev/null", folder + "c.nrk"), 0);
        QCOMPARE(::mkfifo(folder + "Group.idx", 0600), 0);
        QCOMPARE(zt::importAddressBook(*db_, book.picked()), 1);
        QCOMPARE(entryRows(*db_), QStringList{u"z|z@|||∅"_qs});
    }

    // An address book unpacked from a Windows archive keeps its CP932 names,
    // beside UTF-8 ones: every group is read by its raw name and stored as
    // the user reads it; a byte CP932 cannot decode becomes U+FFFD.
    void windowsNames() {
        AddressBookTree book({{u"友達/c.nrk"_qs, card("U", "u@")}});
        // Qt can neither create nor remove these names.
        const QByteArray picked = QFile::encodeName(book.picked()) + '/';
        const QByteArray files[][3] = {{"\x8e\x64\x8e\x96", "\x8f\x5a\x8f\x8a\x98\x5e.NRK", card("W", "w@")},
                                       {"\x8e\x64\x8e\x96", "Group.idx", titleLine("U", "u@", "T")},
                                       {"\x97\x46\x90\x6c", "c.nrk", card("F", "f@")},
                                       {"x\xffy", "c.nrk", card("X", "x@")}};  // 仕事/住所録.NRK, 友人
        for (const auto& [folder, name, bytes] : files) {
            ::mkdir(picked + folder, 0700);
            QFile out;
            QVERIFY(out.open(::fopen(picked + folder + '/' + name, "w"), QIODevice::WriteOnly,
                             QFile::AutoCloseHandle));
            out.write(bytes);
        }
        const auto removeRaw = qScopeGuard([&] {
            for (const auto& [folder, name, bytes] : files) {
                ::unlink(picked + folder + '/' + name);
                ::rmdir(picked + folder);
            }
        });

        QCOMPARE(zt::importAddressBook(*db_, book.picked()), 4);
        QCOMPARE(membershipRows(*db_),
                 (QStringList{u"x\uFFFDy|X|x@"_qs, u"仕事|W|w@"_qs, u"友人|F|f@"_qs, u"友達|U|u@"_qs}));
        // The index line of 仕事 came before U's entry was stored.
        QCOMPARE(entryRows(*db_).at(3), u"U|u@|||∅"_qs);
    }

private:
    std::unique_ptr<WorkDb> work_;
    zt::Database* db_ = nullptr;
};

QTEST_GUILESS_MAIN(TestAddressBookImport)
#include "tst_address_book_import.moc"
