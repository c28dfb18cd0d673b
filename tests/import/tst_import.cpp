// The import: what it stores, the old data kept when it fails, the window.
#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QLabel>

#include "import/address_book_import.h"
#include "import/import_window.h"
#include "platform/error.h"
#include "platform/folder_dialog.h"
#include "test_support.h"

using zt::MessageBox;

namespace {

const QString kConfirm =
    u"実行の確認|?|YesNo yes|この処理を行うと、今までのデータはクリアされます。\r\n実行しますか？"_qs;
const QString kNoFolder =
    u"処理中断|!|Ok|アドレス帳フォルダが指定されていません。\r\n処理をキャンセルします。"_qs;
const QString kRefused =
    u"処理中断|!|Ok|{root}/%1はアドレス帳フォルダとして不正です。（/AddrBook/ が含まれません）\r\n処理をキャンセルします。"_qs;
const QString kDone = u"正常終了|i|Ok| %1 個のグループを処理しました。"_qs;

// While zero or more, the names readdir gives before it fails with EIO, as on
// a damaged disk; this takes the place of the system's readdir.
int readsBeforeFailure = -1;

}  // namespace

extern "C" dirent* readdir(DIR* dir) {
    if (readsBeforeFailure >= 0 && readsBeforeFailure-- == 0) {
        errno = EIO;
        return nullptr;
    }
    return reinterpret_cast<dirent* (*)(DIR*)>(dlsym(RTLD_NEXT, "readdir"))(dir);
}

class TestImport : public GuiTest {
    Q_OBJECT
private slots:
    void init() {
        reset();
        work->person("old", "Old", "Old@x", "", "", kNull);
    }

    // Each book beside what it gives: group count, memberships, "--", entries.
    // windows_names holds CP932 file names, as an unconverted archive leaves.
    void import_data() {
        QTest::addColumn<QString>("book");
        for (const QString& book : QDir(testData(u"books"_qs)).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QTest::newRow(qPrintable(book)) << testData(u"books/"_qs + book);
        }
    }

    void import() {
        QFETCH(QString, book);
        const int groups = zt::importAddressBook(*work->db, book);
        QCOMPARE(QStringList{QString::number(groups)} + membershipRows(*work->db) + QStringList{u"--"_qs} +
                     entryRows(*work->db),
                 QString::fromUtf8(fileBytes(book + u".expected"_qs)).split(u'\n', Qt::SkipEmptyParts));
    }

    // The database refuses the last card, after the import has cleared the
    // tables, stored a group and set its title: the old data stays, and
    // nothing is left half-open.
    void failureKeepsOldData() {
        work->db->Execute(
            u"CREATE TRIGGER refuse BEFORE INSERT ON アドレス情報 WHEN NEW.名前 = 'Y' "
            "BEGIN SELECT RAISE(ABORT, 'refused'); END"_qs);
        QVERIFY_THROWS_EXCEPTION(zt::Error,
                                 zt::importAddressBook(*work->db, testData(u"AddrBook/picked"_qs)));
        QCOMPARE(entryRows(*work->db), QStringList{u"Old|Old@x|||∅"_qs});
        QCOMPARE(membershipRows(*work->db), QStringList{u"old|Old|Old@x"_qs});
        work->db->Execute(u"DROP TRIGGER refuse"_qs);
        QCOMPARE(zt::importAddressBook(*work->db, testData(u"AddrBook/picked"_qs)), 2);
    }

    // The book folder and g1 have four names each, "." and ".." included;
    // the end of a listing is a read of its own.
    void listingFails_data() {
        QTest::addColumn<int>("reads");
        QTest::addColumn<QString>("folder");
        QTest::newRow("address book folder") << 3 << u"AddrBook/picked"_qs;
        QTest::newRow("group folder") << 5 + 3 << u"AddrBook/picked/g1"_qs;
    }
    void listingFails() {
        QFETCH(int, reads);
        QFETCH(QString, folder);
        readsBeforeFailure = reads;
        const auto disarm = qScopeGuard([] { readsBeforeFailure = -1; });
        QString failure;
        try {
            zt::importAddressBook(*work->db, testData(u"AddrBook/picked"_qs));
        } catch (const zt::Error& e) {
            failure = e.text();
        }
        QCOMPARE(failure, u"フォルダ %1 を読み込めません。"_qs.arg(testData(folder)));
        QCOMPARE(entryRows(*work->db), QStringList{u"Old|Old@x|||∅"_qs});
    }

    // A FIFO or a link to a device would block or never end: none is opened.
    void filesThatAreNoFiles() {
        QTemporaryDir book;
        QDir(book.path()).mkdir(u"g"_qs);
        writeFile(book.filePath(u"g/z.nrk"_qs), "FN:z\r\nEMAIL;PREF:z@\r\nEND:VCARD\r\n");
        const QByteArray folder = QFile::encodeName(book.filePath(u"g/"_qs));
        QCOMPARE(::mkfifo(folder + "b.nrk", 0600), 0);
        QCOMPARE(::symlink("/dev/null", folder + "c.nrk"), 0);
        QCOMPARE(::mkfifo(folder + "Group.idx", 0600), 0);
        QCOMPARE(zt::importAddressBook(*work->db, book.path()), 1);
        QCOMPARE(entryRows(*work->db), QStringList{u"z|z@|||∅"_qs});
    }

    void run_data() {
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QString>("folder");  // under the temporary root; empty: the dialog is cancelled
        QTest::addColumn<bool>("locked");     // another program holds the database
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("lastStatus");
        QTest::addColumn<QStringList>("entries");

        const QStringList old{u"Old|Old@x|||∅"_qs};
        const QString picked = u"AddrBook/picked"_qs;
        QTest::newRow("answer No") << false << QString() << false << QStringList{kConfirm} << u"実行確認"_qs
                                   << old;
        QTest::newRow("dialog cancelled") << true << QString() << false << QStringList{kConfirm, kNoFolder}
                                          << u"アドレス帳フォルダ指定"_qs << old;
        QTest::newRow("AddrBook itself")
            << true << u"AddrBook"_qs << false << QStringList{kConfirm, kRefused.arg(u"AddrBook"_qs)}
            << u"アドレス帳フォルダ指定"_qs << old;
        QTest::newRow("no sub-folders")
            << true << u"AddrBook/empty"_qs << false << QStringList{kConfirm, kDone.arg(0)}
            << u"データクリア"_qs << QStringList{};
        QTest::newRow("import") << true << picked << false << QStringList{kConfirm, kDone.arg(2)}
                                << u"{root}/AddrBook/picked\nから読み込み"_qs
                                << QStringList{u"髙橋①|髙橋①@x|||課長"_qs, u"Y|Y@x|||∅"_qs};
        QTest::newRow("vanished folder")
            << true << u"AddrBook/gone"_qs << false
            << QStringList{kConfirm, fatal(u"フォルダ {root}/AddrBook/gone が見つかりません。"_qs)}
            << u"データクリア"_qs << old;
        QTest::newRow("database locked")
            << true << picked << true
            << QStringList{kConfirm,
                           fatal(
                               u"作業用データベース {db} は他のプログラムが使用中です。\r\ndatabase is locked"_qs)}
            << u"データクリア"_qs << old;
    }

    void run() {
        QFETCH(bool, confirm);
        QFETCH(QString, folder);
        QFETCH(bool, locked);
        QFETCH(QStringList, messages);
        QFETCH(QString, lastStatus);
        QFETCH(QStringList, entries);

        const QString root = testData(QString()).chopped(1);
        messages.replaceInStrings(u"{root}"_qs, root);
        messages.replaceInStrings(u"{db}"_qs, work->db->path());
        lastStatus.replace(u"{root}"_qs, root);

        MessageBox::setNextAnswer(confirm ? MessageBox::Answer::Yes : MessageBox::Answer::No);
        if (confirm) {
            zt::FolderDialog::setNextFolder(folder.isEmpty() ? QString() : root + u'/' + folder);
        }
        QPointer<ZTAdrF01> window = new ZTAdrF01(*work->db);
        show(window);
        QLabel* status = window->状況表示;
        {
            // Another program's connection, writing: ours cannot begin.
            const std::unique_ptr<zt::Database> other = zt::Database::open(work->db->path());
            std::optional<zt::Transaction> writing;
            if (locked) {
                writing.emplace(*other);
            }
            QTest::mouseClick(window->処理実行, Qt::LeftButton);
        }

        QCOMPARE(boxes(), messages);
        for (const MessageBox::Shown& s : MessageBox::shown()) {
            QCOMPARE(s.owner, window.data());
        }
        QCOMPARE(zt::FolderDialog::titlesShown(),
                 confirm ? QStringList{u"アドレス帳フォルダを選択してください"_qs} : QStringList{});
        QCOMPARE(zt::FolderDialog::startFoldersShown(),
                 confirm ? QStringList{QDir::homePath()} : QStringList{});
        QCOMPARE(entryRows(*work->db), entries);
        QVERIFY(window && !window->isVisible() && !window->処理実行->isEnabled());
        QCOMPARE(status->text(), lastStatus);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(window.isNull());
    }
};

QTEST_MAIN(TestImport)
#include "tst_import.moc"
