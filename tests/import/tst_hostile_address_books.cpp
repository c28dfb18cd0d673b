// Address books built to hurt the import. Each one either completes or stops
// with a clear message and the old data kept; what is stored is compared with
// an expectation built here from the bytes we wrote, not with what the reader
// makes of them.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QPointer>
#include <QPushButton>
#include <QtTest>
#include <cerrno>
#include <random>

#include "app/app_state.h"
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

namespace {

// A piece of CP932 input with the text it must decode to, worked out by hand.
struct Token {
    QByteArray bytes;
    QString text;
};

const QChar kBad(0xFFFD);

const QList<Token>& tokens() {
    // Bytes that are never a character, alone; NEC row 13; an IBM extension; a
    // lead byte with no trail (the blank survives); 7F is no trail byte; a pair
    // in a row the code page leaves empty.
    static const QList<Token> list{{"a", u"a"_qs},
                                   {"Z", u"Z"_qs},
                                   {"7", u"7"_qs},
                                   {" ", u" "_qs},
                                   {"'", u"'"_qs},
                                   {"\"", u"\""_qs},
                                   {",", u","_qs},
                                   {QByteArray(1, '\0'), QString(QChar(0))},
                                   {"\x80", kBad},
                                   {"\xa0", kBad},
                                   {"\xfd", kBad},
                                   {"\xff", kBad},
                                   {"\xb1", u"ｱ"_qs},
                                   {"\x88\x9f", u"亜"_qs},
                                   {"\x87\x8a", u"㈱"_qs},
                                   {"\xfb\xfc", u"髙"_qs},
                                   {"\x87\x40", u"①"_qs},
                                   {"\x82 ", QString(kBad) + u' '},
                                   {"\x81\x7f", QString(kBad) + QChar(0x7F)},
                                   {"\x85\x40", QString(2, kBad)}};
    return list;
}

// Deterministic on every platform: only the engine's raw output is used.
struct Random {
    std::mt19937 engine{20240607u};
    quint32 below(quint32 n) { return engine() % n; }
    Token value(int maxTokens) {
        Token t;
        const quint32 count = below(quint32(maxTokens) + 1);
        for (quint32 i = 0; i < count; ++i) {
            const Token& piece = tokens()[below(quint32(tokens().size()))];
            t.bytes += piece.bytes;
            t.text += piece.text;
        }
        return t;
    }
};

const QByteArray kLeadAtLineEnd = "\x82";  // a lead byte cut off by the line end

// Rows as the fixture shows them: fields joined with "|", NULL as "∅".
QString row(const QStringList& fields) {
    return fields.join(u'|');
}

}  // namespace

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

        {
            // Every value made of random pieces whose decoding is known, some cut
            // off by a lead byte at the line end; names are unique so that each
            // index line names exactly one card.
            Random random;
            QByteArray cards;
            QByteArray index;
            QStringList entries;
            QStringList memberships;
            for (int i = 0; i < 150; ++i) {
                const QByteArray id = QByteArray::number(i);
                Token name = random.value(12);
                name.bytes.prepend(id + ":");
                name.text.prepend(QString::fromLatin1(id) + u':');
                Token address = random.value(12);
                if (i % 7 == 0) {
                    address.bytes += kLeadAtLineEnd;
                    address.text += kBad;
                }
                Token company = random.value(8);
                Token department = random.value(8);
                // The pieces hold no ";", so the ORG value splits where we put it.
                cards += card(name.bytes, address.bytes, company.bytes + ";" + department.bytes + ";");
                QString title = u"∅"_qs;
                if (i % 3 == 0) {
                    const Token t = random.value(10);
                    index += titleLine(name.bytes, address.bytes, t.bytes);
                    title = t.text;
                }
                entries << row({name.text, address.text, company.text, department.text, title});
                memberships << row({u"g"_qs, name.text, address.text});
            }
            QTest::newRow("random pieces, known decoding")
                << FileTree{{u"g/c.nrk"_qs, cards}, {u"g/Group.idx"_qs, index}} << entries << memberships;
        }

        const QString nul(QChar(0));
        QTest::newRow("NUL bytes are kept")
            << FileTree{{u"g/c.nrk"_qs,
                         card(QByteArray("a\0b", 3), QByteArray(1, '\0'), QByteArray("\0;\0;", 4))},
                        {u"g/Group.idx"_qs,
                         titleLine(QByteArray("a\0b", 3), QByteArray(1, '\0'), QByteArray("t\0", 2))}}
            << QStringList{row({u"a"_qs + nul + u"b"_qs, nul, nul, nul, u"t"_qs + nul})}
            << QStringList{row({u"g"_qs, u"a"_qs + nul + u"b"_qs, nul})};

        // Had any of these been pasted into SQL, the tables would be gone or the
        // titles would land on every row.
        const QByteArray entriesTable = "\x83\x41\x83\x68\x83\x8c\x83\x58\x8f\xee\x95\xf1";  // アドレス情報
        const QByteArray robert = "Robert'); DROP TABLE " + entriesTable + ";--";
        const QByteArray or1 = "x' OR '1'='1";
        const QString sqlGroup = u"O'Brien\"; DELETE FROM グループ情報; --"_qs;
        QTest::newRow("quotes, semicolons and SQL text")
            << FileTree{{sqlGroup + u"/c.nrk"_qs, card(robert, or1, "A'B;\"C\";") + card("R%", "_")},
                        {sqlGroup + u"/Group.idx"_qs,
                         titleLine(robert, or1, "'; DELETE FROM " + entriesTable + "; --") +
                             titleLine("R_", "%", "wildcards are not patterns") +
                             titleLine("%", "%", "nor this")}}
            << QStringList{row({u"Robert'); DROP TABLE アドレス情報;--"_qs, QString::fromLatin1(or1),
                                u"A'B"_qs, u"\"C\""_qs, u"'; DELETE FROM アドレス情報; --"_qs}),
                           row({u"R%"_qs, u"_"_qs, u""_qs, u""_qs, u"∅"_qs})}
            << QStringList{
                   row({sqlGroup, u"Robert'); DROP TABLE アドレス情報;--"_qs, QString::fromLatin1(or1)}),
                   row({sqlGroup, u"R%"_qs, u"_"_qs})};

        {
            // Every line ends a card: each is stored, empty, with its membership.
            const int count = 5000;
            QByteArray ends;
            for (int i = 0; i < count; ++i) {
                ends += "END:VCARD\r\n";
            }
            QTest::newRow("only END:VCARD lines")
                << FileTree{{u"g/c.nrk"_qs, ends}} << QStringList(count, u"||||∅"_qs)
                << QStringList(count, u"g||"_qs);
        }

        // All eight slots come out empty: the line names the entry with an empty
        // name and address and gives it an empty title, and nobody else.
        QTest::newRow("index line of 100,000 TABs")
            << FileTree{{u"g/c.nrk"_qs, "END:VCARD\r\n" + card("a", "")},
                        {u"g/Group.idx"_qs, QByteArray(100000, '\t') + "\r\n"}}
            << QStringList{u"||||"_qs, u"a||||∅"_qs} << QStringList{u"g||"_qs, u"g|a|"_qs};

        // Only ordinary files are card and index files; the group still counts.
        QTest::newRow("card and index files that are folders")
            << FileTree{{u"g/a.nrk/"_qs, {}},
                        {u"g/a.nrk/inner.nrk"_qs, card("inner", "i@")},
                        {u"g/b.nrk"_qs, card("b", "b@")},
                        {u"g/Group.idx/"_qs, {}},
                        {u"h/x.nrk/"_qs, {}}}
            << QStringList{u"b|b@|||∅"_qs} << QStringList{u"g|b|b@"_qs};

        // Read as CP932 like any other file: nothing is dropped or guessed.
        QTest::newRow("UTF-8 with a byte-order mark")
            << FileTree{{u"g/c.nrk"_qs,
                         "\xef\xbb\xbf"
                         "FN:\xe9\xab\x99\r\nEND:VCARD\r\nFN:\xe9\xab\x99\r\nEND:VCARD\r\n"}}
            << QStringList{u"||||∅"_qs, u"鬮\uFFFD||||∅"_qs} << QStringList{u"g||"_qs, u"g|鬮\uFFFD|"_qs};
    }

    void import() {
        QFETCH(FileTree, tree);
        QFETCH(QStringList, entries);
        QFETCH(QStringList, memberships);
        AddressBookTree book(tree);
        const int groups = QDir(book.picked()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size();

        QCOMPARE(zt::importAddressBook(*db_, book.picked()), groups);

        QCOMPARE(entryRows(*db_), entries);
        QCOMPARE(membershipRows(*db_), memberships);
    }

    // Pure noise as a card file and as an index file: the import completes and
    // stores exactly the cards the reader finds in it, values free of line ends.
    void randomBytes() {
        Random random;
        QByteArray noise(256 * 1024, Qt::Uninitialized);
        for (char& byte : noise) {
            byte = char(random.below(256));
        }
        // Enough real cards in the noise that something is stored.
        for (int i = 0; i < 40; ++i) {
            noise.insert(qsizetype(random.below(quint32(noise.size()))), "\r\nEND:VCARD\r\nFN:n\r\n");
        }
        AddressBookTree book({{u"g/c.nrk"_qs, noise}, {u"g/Group.idx"_qs, noise}});

        QCOMPARE(zt::importAddressBook(*db_, book.picked()), 1);

        auto reader = zt::AnsiTextReader::fromBytes(noise);
        QStringList expected;
        for (const zt::Card& c : zt::readCards(reader)) {
            for (const QString& value : {c.name, c.address, c.company, c.department}) {
                QVERIFY(!value.contains(u'\r') && !value.contains(u'\n'));
            }
            expected << row({c.name, c.address, c.company, c.department});
        }
        QVERIFY(expected.size() >= 40);
        // The titles are the noisy index file's business.
        QCOMPARE(rows(*db_, u"アドレス情報"_qs, u"名前, アドレス, 会社名, 部署名"_qs), expected);
        QCOMPARE(membershipRows(*db_).size(), expected.size());
    }

    // One line of 10 MB, as a name and as the index line that titles it.
    void tenMegabyteLine() {
        QByteArray name;
        name.reserve(10 * 1024 * 1024);
        while (name.size() < 10 * 1024 * 1024) {
            name += "\xfb\xfc\x87\x40x";  // 髙①x
        }
        AddressBookTree book({{u"g/c.nrk"_qs, card(name, "a@") + card("b", "b@")},
                              {u"g/Group.idx"_qs, titleLine(name, "a@", "long")}});

        QCOMPARE(zt::importAddressBook(*db_, book.picked()), 1);

        QString expected;
        expected.reserve(name.size());
        for (qsizetype i = 0; i < name.size(); i += 5) {
            expected += u"髙①x"_qs;
        }
        const QStringList entries = entryRows(*db_);
        QCOMPARE(entries.size(), 2);
        QVERIFY(entries[0] == expected + u"|a@|||long"_qs);  // QCOMPARE would print 10 MB on failure
        QCOMPARE(entries[1], u"b|b@|||∅"_qs);
    }

    // Card and index files that are no ordinary files: a FIFO blocks whoever
    // opens it for good, a link to a device may never end (/dev/zero), a dangling
    // link names nothing. None of them is opened, and the ordinary card file
    // listed after them is read. The link to /dev/null comes first in the
    // listing, so taking any of them shows at once rather than hanging the test.
    void filesThatAreNoFiles() {
        AddressBookTree book({{u"g/z.nrk"_qs, card("z", "z@")}});
        const QByteArray folder = QFile::encodeName(book.picked() + u"/g/"_qs);
        QCOMPARE(::mkfifo(folder + "a.nrk", 0600), 0);
        QCOMPARE(::symlink("/dev/null", folder + "b.nrk"), 0);
        QCOMPARE(::symlink("a.nrk", folder + "c.nrk"), 0);
        QCOMPARE(::symlink("nowhere", folder + "d.nrk"), 0);
        QCOMPARE(::mkfifo(folder + "Group.idx", 0600), 0);

        QCOMPARE(zt::importAddressBook(*db_, book.picked()), 1);

        QCOMPARE(entryRows(*db_), QStringList{u"z|z@|||∅"_qs});
    }

    // An address book unpacked with its Windows names keeps them in CP932; the
    // file system listing drops names that are not UTF-8. The import must not
    // pass over those cards without a word: it stops, names the folder or file
    // (decoded as CP932, as the user knows it), and keeps the old data.
    void undecodableNames_data() {
        QTest::addColumn<QByteArray>("folder");   // raw name of a folder under the picked one
        QTest::addColumn<QByteArray>("file");     // raw name of a file in it
        QTest::addColumn<QString>("unreadable");  // what the message names, below the picked folder
        const QByteArray group = "\x83\x4f\x83\x8b\x81\x5b\x83\x76";  // グループ
        QTest::newRow("group folder") << group << QByteArray("c.nrk") << u"グループ"_qs;
        QTest::newRow("card file") << QByteArray("g") << group + ".NRK" << u"g/グループ.NRK"_qs;
        // Other files and hidden folders are not read, so their names do no harm.
        QTest::newRow("photo") << QByteArray("g") << group + ".jpg" << QString();
        QTest::newRow("hidden folder") << "." + group << QByteArray("c.nrk") << QString();
    }

    void undecodableNames() {
        QFETCH(QByteArray, folder);
        QFETCH(QByteArray, file);
        QFETCH(QString, unreadable);
        const QStringList oldEntries = importOld();

        AddressBookTree book({{u"a/c.nrk"_qs, card("A", "a@")}});
        // Qt can neither create nor remove these names; the test does both itself.
        const QByteArray dirPath = QFile::encodeName(book.picked()) + '/' + folder;
        const QByteArray filePath = dirPath + '/' + file;
        QVERIFY(::mkdir(dirPath.constData(), 0700) == 0 || errno == EEXIST);
        const int fd = ::creat(filePath.constData(), 0600);
        QVERIFY(fd >= 0);
        const QByteArray bytes = card("B", "b@");
        const bool written = ::write(fd, bytes.constData(), size_t(bytes.size())) == ssize_t(bytes.size());
        ::close(fd);
        const auto removeRaw = qScopeGuard([&] {
            ::unlink(filePath.constData());
            ::rmdir(dirPath.constData());
        });
        QVERIFY(written);

        QString error;
        try {
            zt::importAddressBook(*db_, book.picked());
        } catch (const zt::Error& e) {
            error = e.text();
        }
        if (unreadable.isEmpty()) {
            QCOMPARE(error, QString());
            QCOMPARE(entryRows(*db_).first(), u"A|a@|||∅"_qs);
        } else {
            QCOMPARE(error, u"名前を読み取れません: %1/%2（UTF-8 の名前ではありません）"_qs.arg(book.picked(),
                                                                                                unreadable));
            QCOMPARE(entryRows(*db_), oldEntries);
        }
    }

    // Another program holds the working database: the import window reports the
    // engine's own text as a fatal error, and the old data is still there once
    // the other program lets go.
    void databaseLockedDuringImport() {
        const QStringList oldEntries = importOld();
        AddressBookTree book({{u"g/c.nrk"_qs, card("N", "n@")}});

        {
            Lock lock(db_->path());
            QVERIFY(lock.locked());
            ZTAdrM1::Db = db_.get();
            zt::MessageBox::setNextAnswer(zt::MessageBox::Answer::Yes);
            zt::FolderDialog::setNextFolder(book.picked());
            QPointer<ZTAdrF01> window = new ZTAdrF01;
            window->show();
            QTest::mouseClick(window->処理実行, Qt::LeftButton);
            ZTAdrM1::Db = nullptr;
        }

        QCOMPARE(zt::fatalErrorsReported(), QStringList{u"database is locked"_qs});
        for (const zt::MessageBox::Shown& s : zt::MessageBox::shown()) {
            QVERIFY(s.title != u"正常終了"_qs);
        }
        QCOMPARE(entryRows(*db_), oldEntries);
        QCOMPARE(zt::importAddressBook(*db_, book.picked()), 1);  // nothing left half-open
    }

private:
    // Fills the database with an earlier import and returns its entries.
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
