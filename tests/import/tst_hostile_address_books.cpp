// Address books built to hurt the import. Each one either completes or stops
// with a clear message and the old data kept.
#include <sys/stat.h>
#include <unistd.h>

#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include "import/address_book_import.h"
#include "import/import_window.h"
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

    // A folder named like a card or index file would be misread, a FIFO or a
    // link to a device would block or never end: none is opened.
    void filesThatAreNoFiles() {
        AddressBookTree book({{u"g/a.nrk/inner.nrk"_qs, card("inner", "i@")},
                              {u"g/group.idx/"_qs, {}},
                              {u"g/z.nrk"_qs, card("z", "z@")}});
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
