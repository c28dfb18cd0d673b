// Address books built to hurt the import. Each one either completes or stops
// with a clear message and the old data kept.
#include <sys/stat.h>
#include <unistd.h>

#include <QPointer>
#include <QPushButton>
#include <QtTest>
#include <random>

#include "import/address_book_import.h"
#include "import/card_reader.h"
#include "import/import_window.h"
#include "platform/ansi_text_file.h"
#include "platform/error.h"
#include "platform/fatal_error.h"
#include "platform/folder_dialog.h"
#include "platform/message_box.h"
#include "platform/test_seams.h"
#include "test_support.h"

class TestHostileAddressBooks : public QObject {
    Q_OBJECT
private slots:
    void init() {
        zt::enableTestSeams();
        db_ = createDatabase(dbDir_.filePath(u"%1.mdb"_qs.arg(++count_)));
    }

    void import_data() {
        QTest::addColumn<FileTree>("tree");
        QTest::addColumn<QStringList>("entries");      // 名前|アドレス|会社名|部署名|役職
        QTest::addColumn<QStringList>("memberships");  // グループ|名前|アドレス

        const QString nul(QChar(0));
        QTest::newRow("NUL bytes are kept")
            << FileTree{{u"g/c.nrk"_qs,
                         card(QByteArray("a\0b", 3), QByteArray(1, '\0'), QByteArray("\0;\0;", 4))},
                        {u"g/Group.idx"_qs, titleLine(QByteArray("a\0b", 3), QByteArray(1, '\0'), "t")}}
            << QStringList{u"a%1b|%1|%1|%1|t"_qs.arg(nul)} << QStringList{u"g|a%1b|%1"_qs.arg(nul)};

        // Had any of these been pasted into SQL, the tables would be gone or the
        // titles would land on every row.
        const QByteArray table = "\x83\x41\x83\x68\x83\x8c\x83\x58\x8f\xee\x95\xf1";  // アドレス情報
        const QByteArray robert = "R'); DROP TABLE " + table + ";--";
        const QString sqlGroup = u"O'B\"; DELETE FROM グループ情報; --"_qs;
        QTest::newRow("quotes and SQL text")
            << FileTree{{sqlGroup + u"/c.nrk"_qs, card(robert, "x' OR '1'='1", "A'B;\"C\";") + card("R%", "_")},
                        {sqlGroup + u"/Group.idx"_qs,
                         titleLine(robert, "x' OR '1'='1", "'; DELETE FROM " + table + "; --") +
                             titleLine("R_", "%", "wildcards are not patterns")}}
            << QStringList{u"R'); DROP TABLE アドレス情報;--|x' OR '1'='1|A'B|\"C\"|'; DELETE FROM アドレス情報; --"_qs,
                           u"R%|_|||∅"_qs}
            << QStringList{sqlGroup + u"|R'); DROP TABLE アドレス情報;--|x' OR '1'='1"_qs, sqlGroup + u"|R%|_"_qs};

        QByteArray ends;
        for (int i = 0; i < 5000; ++i) {
            ends += "END:VCARD\r\n";
        }
        QTest::newRow("only END:VCARD lines")
            << FileTree{{u"g/c.nrk"_qs, ends}} << QStringList(5000, u"||||∅"_qs)
            << QStringList(5000, u"g||"_qs);

        QTest::newRow("index line of 100,000 TABs")
            << FileTree{{u"g/c.nrk"_qs, "END:VCARD\r\n" + card("a", "")},
                        {u"g/Group.idx"_qs, QByteArray(100000, '\t') + "\r\n"}}
            << QStringList{u"||||"_qs, u"a||||∅"_qs} << QStringList{u"g||"_qs, u"g|a|"_qs};

        QTest::newRow("card and index files that are folders")
            << FileTree{{u"g/a.nrk/inner.nrk"_qs, card("inner", "i@")},
                        {u"g/b.nrk"_qs, card("b", "b@")},
                        {u"g/Group.idx/"_qs, {}}}
            << QStringList{u"b|b@|||∅"_qs} << QStringList{u"g|b|b@"_qs};
    }

    void import() {
        QFETCH(FileTree, tree);
        QFETCH(QStringList, entries);
        QFETCH(QStringList, memberships);
        AddressBookTree book(tree);
        QCOMPARE(zt::importAddressBook(*db_, book.picked()), 1);
        QCOMPARE(entryRows(*db_), entries);
        QCOMPARE(membershipRows(*db_), memberships);
    }

    // Noise as card and index file: stored exactly as the reader finds the cards.
    void randomBytes() {
        std::mt19937 random(20240607u);
        QByteArray noise(256 * 1024, Qt::Uninitialized);
        for (char& byte : noise) {
            byte = char(random());
        }
        for (int i = 0; i < 40; ++i) {
            noise.insert(qsizetype(random() % noise.size()), "\r\nEND:VCARD\r\nFN:n\r\n");
        }
        AddressBookTree book({{u"g/c.nrk"_qs, noise}, {u"g/Group.idx"_qs, noise}});
        QCOMPARE(zt::importAddressBook(*db_, book.picked()), 1);

        auto reader = zt::AnsiTextReader::fromBytes(noise);
        QStringList expected;
        for (const zt::Card& c : zt::readCards(reader)) {
            expected << QStringList{c.name, c.address, c.company, c.department}.join(u'|');
        }
        QVERIFY(expected.size() >= 40);
        QCOMPARE(rows(*db_, u"アドレス情報"_qs, u"名前, アドレス, 会社名, 部署名"_qs), expected);
    }

    void tenMegabyteLine() {
        const QByteArray name = QByteArray("\xfb\xfc\x87\x40x").repeated(2 * 1024 * 1024);  // 髙①x
        AddressBookTree book(
            {{u"g/c.nrk"_qs, card(name, "a@")}, {u"g/Group.idx"_qs, titleLine(name, "a@", "long")}});
        QCOMPARE(zt::importAddressBook(*db_, book.picked()), 1);
        const QStringList entries = entryRows(*db_);
        QCOMPARE(entries.size(), 1);
        QVERIFY(entries[0] == u"髙①x"_qs.repeated(2 * 1024 * 1024) + u"|a@|||long"_qs);  // no 10 MB print
    }

    // A FIFO or a link to a device would block or never end; none is opened.
    void filesThatAreNoFiles() {
        AddressBookTree book({{u"g/z.nrk"_qs, card("z", "z@")}});
        const QByteArray folder = QFile::encodeName(book.picked() + u"/g/"_qs);
        QCOMPARE(::mkfifo(folder + "a.nrk", 0600), 0);
        QCOMPARE(::symlink("/dev/null", folder + "b.nrk"), 0);
        QCOMPARE(::mkfifo(folder + "Group.idx", 0600), 0);
        QCOMPARE(zt::importAddressBook(*db_, book.picked()), 1);
        QCOMPARE(entryRows(*db_), QStringList{u"z|z@|||∅"_qs});
    }

    // An address book unpacked from a Windows archive keeps its CP932 names,
    // beside UTF-8 ones: every group is read by its raw name and stored as
    // the user reads it; a byte CP932 cannot decode becomes U+FFFD.
    void windowsNames() {
        AddressBookTree book({{u"友達/c.nrk"_qs, card("U", "u@")}});
        const QByteArray picked = QFile::encodeName(book.picked());
        QList<QByteArray> made;  // Qt can neither create nor remove these names
        const auto removeRaw = qScopeGuard([&] {
            for (auto it = made.crbegin(); it != made.crend(); ++it) {
                ::unlink(it->constData());
                ::rmdir(it->constData());
            }
        });
        const auto rawFile = [&](const QByteArray& folder, const QByteArray& name, const QByteArray& bytes) {
            const QByteArray dir = picked + '/' + folder;
            if (::mkdir(dir.constData(), 0700) == 0) {
                made << dir;
            }
            made << dir + '/' + name;
            QFile out;
            QVERIFY(out.open(::fopen(made.last().constData(), "w"), QIODevice::WriteOnly,
                             QFile::AutoCloseHandle));
            out.write(bytes);
        };
        rawFile("\x8e\x64\x8e\x96", "\x8f\x5a\x8f\x8a\x98\x5e.NRK", card("W", "w@"));  // 仕事/住所録.NRK
        rawFile("\x8e\x64\x8e\x96", "Group.idx", titleLine("U", "u@", "T"));
        rawFile("\x97\x46\x90\x6c", "c.nrk", card("F", "f@"));  // 友人
        rawFile("x\xffy", "c.nrk", card("X", "x@"));

        QCOMPARE(zt::importAddressBook(*db_, book.picked()), 4);
        QCOMPARE(membershipRows(*db_),
                 (QStringList{u"x\uFFFDy|X|x@"_qs, u"仕事|W|w@"_qs, u"友人|F|f@"_qs, u"友達|U|u@"_qs}));
        // The index line of 仕事 came before U's entry was stored.
        QCOMPARE(entryRows(*db_).at(3), u"U|u@|||∅"_qs);
    }

    // Another program holds the database: its own text as a fatal error, old data kept.
    void databaseLockedDuringImport() {
        const QStringList oldEntries = importOld();
        AddressBookTree book({{u"g/c.nrk"_qs, card("N", "n@")}});
        {
            Lock lock(db_->path());
            zt::MessageBox::setNextAnswer(zt::MessageBox::Answer::Yes);
            zt::FolderDialog::setNextFolder(book.picked());
            QPointer<ZTAdrF01> window = new ZTAdrF01(*db_);
            window->show();
            QTest::mouseClick(window->処理実行, Qt::LeftButton);
        }
        QCOMPARE(zt::fatalErrorsReported(), QStringList{u"database is locked"_qs});
        QCOMPARE(entryRows(*db_), oldEntries);
    }

private:
    QStringList importOld() {
        AddressBookTree old({{u"old/c.nrk"_qs, card("O", "o@")}});
        zt::importAddressBook(*db_, old.picked());
        return entryRows(*db_);
    }

    QTemporaryDir dbDir_;
    int count_ = 0;
    std::unique_ptr<zt::Database> db_;
};

QTEST_MAIN(TestHostileAddressBooks)
#include "tst_hostile_address_books.moc"
