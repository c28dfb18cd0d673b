// The import: what it stores, the old data kept when it fails, the window.
#include <QLabel>

#include "faults.h"
#include "import/address_book_import.h"
#include "platform/error.h"
#include "platform/folder_dialog.h"
#include "test_support.h"
#include "windows/import_window.h"

using zt::MessageBox;

// While zero or more, the names readdir gives before it fails with EIO, as on
// a damaged disk; this takes the place of the system's readdir.
static int readsBeforeFailure = -1;

#ifdef Q_OS_WIN
constexpr bool kListingFailsOnDemand = false;
#else
#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

constexpr bool kListingFailsOnDemand = true;

extern "C" dirent* readdir(DIR* dir) {
    if (readsBeforeFailure >= 0 && readsBeforeFailure-- == 0) {
        errno = EIO;
        return nullptr;
    }
    return reinterpret_cast<dirent* (*)(DIR*)>(dlsym(RTLD_NEXT, "readdir"))(dir);
}
#endif

class TestImport : public GuiTest {
    Q_OBJECT
private slots:
    void init() {
        reset();
        zt::setImportReportTesting(true);
        work->person("old", "Old", "Old@x", "", "", kNull);
    }

    // Each book beside what it gives: group count, memberships, "--", entries;
    // and the stored cards' bytes, each followed by a line "--", in .cards.
    // windows_names holds CP932 file names, as an unconverted archive leaves.
    void import_data() {
        QTest::addColumn<QString>("book");
        for (const QString& book : QDir(testData(u"books"_qs)).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QTest::newRow(qPrintable(book)) << testData(u"books/"_qs + book);
        }
    }

    void import() {
        QFETCH(QString, book);
        if (QSysInfo::productType() == u"windows" && book.endsWith(u"windows_names")) {
            QSKIP("names are UTF-16 on Windows: no name there is CP932 bytes");
        }
        const int groups = zt::importAddressBook(*work->db, book).groups;
        QCOMPARE(QStringList{QString::number(groups)} + membershipRows(*work->db) + QStringList{u"--"_qs} +
                     entryRows(*work->db),
                 QString::fromUtf8(fileBytes(book + u".expected"_qs)).split(u'\n', Qt::SkipEmptyParts));
        QByteArray cards;
        for (auto rs = work->db->OpenRecordset(u"SELECT カード FROM アドレス情報 ORDER BY rowid"_qs);
             !rs.Eof(); rs.MoveNext()) {
            cards += rs.Bytes(0) + "--\n";
        }
        QCOMPARE(cards, fileBytes(book + u".cards"_qs));
    }

    // A listing fails (the book folder and g1 have four names each, "." and
    // ".." included; the end is a read of its own), or the database refuses the
    // last card after a group and its title are stored: the old data stays,
    // and nothing is left half-open.
    void failureKeepsOldData_data() {
        QTest::addColumn<int>("reads");
        QTest::addColumn<QString>("failure");
        const QString unreadable = u"フォルダ %1 を読み込めません。"_qs;
        QTest::newRow("address book folder") << 3 << unreadable.arg(testData(u"AddrBook/picked"_qs));
        QTest::newRow("group folder") << 5 + 3 << unreadable.arg(testData(u"AddrBook/picked/g1"_qs));
        QTest::newRow("card refused")
            << -1 << u"作業用データベース {db} でエラーが発生しました。\r\nrefused"_qs;
    }
    void failureKeepsOldData() {
        QFETCH(int, reads);
        QFETCH(QString, failure);
        if (reads >= 0 && !kListingFailsOnDemand) {
            QSKIP("a failing listing is brought about through readdir, which Windows does not have");
        }
        work->db->Execute(
            u"CREATE TRIGGER refuse BEFORE INSERT ON アドレス情報 WHEN NEW.名前 = 'Y' AND %1 "
            "BEGIN SELECT RAISE(ABORT, 'refused'); END"_qs.arg(reads < 0));
        QString failed;
        readsBeforeFailure = reads;
        try {
            zt::importAddressBook(*work->db, testData(u"AddrBook/picked"_qs));
        } catch (const zt::Error& e) {
            failed = e.text();
        }
        readsBeforeFailure = -1;
        QCOMPARE(failed, QDir::toNativeSeparators(failure.replace(u"{db}"_qs, work->db->path())));
        QCOMPARE(entryRows(*work->db), QStringList{u"Old|Old@x|||∅"_qs});
        QCOMPARE(membershipRows(*work->db), QStringList{u"old|Old|Old@x"_qs});
        work->db->Execute(u"DROP TRIGGER refuse"_qs);
        QCOMPARE(zt::importAddressBook(*work->db, testData(u"AddrBook/picked"_qs)).groups, 2);
    }

    // A FIFO or a link to a device would block or never end: none is opened.
    void filesThatAreNoFiles() {
#ifdef Q_OS_WIN
        QSKIP("Windows has no FIFOs, nor devices among the files of a folder");
#else
        QTemporaryDir book;
        QDir(book.path()).mkdir(u"g"_qs);
        writeFile(book.filePath(u"g/z.nrk"_qs), "FN:z\r\nEMAIL;PREF:z@\r\nEND:VCARD\r\n");
        const QByteArray folder = QFile::encodeName(book.filePath(u"g/"_qs));
        QVERIFY(::mkfifo(folder + "b.nrk", 0600) == 0 && ::symlink("/dev/null", folder + "c.nrk") == 0 &&
                ::mkfifo(folder + "Group.idx", 0600) == 0);
        QCOMPARE(zt::importAddressBook(*work->db, book.path()).groups, 1);
        QCOMPARE(entryRows(*work->db), QStringList{u"z|z@|||∅"_qs});
#endif
    }

    // What a group folder holds beyond its first card file and its index (a
    // further card file, a sub-folder) and the files that cannot be read are
    // counted and named in the report beside the database; the cards read and
    // the people they make are counted. A later clean import removes the report.
    void setAsideReported() {
        if (!permissionsHold()) {
            QSKIP("files stay readable for root; ctest runs this as an ordinary user");
        }
        QTemporaryDir dir;
        const QString book = dir.filePath(u"book"_qs);
        const QByteArray a = "FN:A\r\nEMAIL;PREF:a@x\r\nEND:VCARD\r\n", b = "FN:B\r\nEND:VCARD\r\n";
        QVERIFY(QDir().mkpath(book + u"/g1/sub"_qs) && QDir().mkpath(book + u"/g2"_qs) &&
                QDir().mkpath(book + u"/g3"_qs));
        writeFile(book + u"/g1/a.nrk"_qs, a + b);
        writeFile(book + u"/g1/b.nrk"_qs, b);
        writeFile(book + u"/g1/sub/c.nrk"_qs, b);
        writeFile(book + u"/g2/c.nrk"_qs, b);
        writeFile(book + u"/g3/c.nrk"_qs, a);
        writeFile(book + u"/g3/Group.idx"_qs, "\t\t\tA\ta@x\tx\r\n");
        for (const QString& unreadable : {u"/g2/c.nrk"_qs, u"/g3/Group.idx"_qs}) {
            QVERIFY(QFile::setPermissions(book + unreadable, QFileDevice::WriteOwner));
        }
        const QString report = work->db->path() + u".report.txt"_qs;

        const zt::ImportSummary summary = zt::importAddressBook(*work->db, book);
        const QString shown = QDir::toNativeSeparators(book);
        QCOMPARE(zt::completionText(summary),
                 u" 3 個のグループを処理しました。\r\nカード 3 枚を読み込み、2 人になりました。\r\n"
                 u"読み込まなかったファイルやフォルダが 4 件あります。\r\n"_qs +
                     QDir::toNativeSeparators(report) + u"を確認してください。"_qs);
        const auto cannotOpen = [&](const QString& file) {
            return QDir::toNativeSeparators(book + file) + u"\tファイルを開けません: "_qs + book + file +
                   u"（読み取りの権限がありません）"_qs;
        };
        const QString expected =
            u"アドレス帳 "_qs + shown + u" の取り込みで読み込まなかったもの　2024/04/01 09:00\r\n"_qs +
            u"2 つめ以降のカードファイル\t"_qs + QDir::toNativeSeparators(book + u"/g1/b.nrk"_qs) +
            u"\r\nグループの中のフォルダ\t"_qs + QDir::toNativeSeparators(book + u"/g1/sub"_qs) +
            u"\r\n読めないファイル\t"_qs + cannotOpen(u"/g2/c.nrk"_qs) + u"\r\n読めないファイル\t"_qs +
            cannotOpen(u"/g3/Group.idx"_qs) + u"\r\n"_qs;
        QCOMPARE(QString::fromUtf8(fileBytes(report)).split(u"\r\n"_qs), expected.split(u"\r\n"_qs));
        QCOMPARE(entryRows(*work->db), (QStringList{u"A|a@x|||∅"_qs, u"B||||∅"_qs, u"A|a@x|||∅"_qs}));

        QCOMPARE(zt::importAddressBook(*work->db, testData(u"AddrBook/picked"_qs)).reportPath, QString());
        QVERIFY(!QFileInfo::exists(report));
    }

    // A group's folder chosen for its book's is refused before anything
    // changes; a book whose groups hold no cards yet, or a folder with no
    // card file at all, is not a group's.
    void groupFolderRefused_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("refused");
        QTest::newRow("group folder") << u"AddrBook/picked/g1"_qs << true;
        QTest::newRow("book") << u"AddrBook/picked"_qs << false;
        QTest::newRow("empty book") << u"AddrBook/empty"_qs << false;
        QTest::newRow("cards beside groups") << u"books/only_group_folders_are_read"_qs << false;
    }
    void groupFolderRefused() {
        QFETCH(QString, folder);
        QFETCH(bool, refused);
        const QString path = testData(folder);
        const QString refusal = QDir::toNativeSeparators(path) +
                                u"はグループのフォルダです。\r\nアドレス帳フォルダはその一つ上の "_qs +
                                QDir::toNativeSeparators(QFileInfo(path).path()) +
                                u" です。\r\n処理をキャンセルします。"_qs;
        QString failed;
        try {
            zt::importAddressBook(*work->db, path);
        } catch (const zt::Error& e) {
            failed = e.text();
        }
        QCOMPARE(failed, refused ? refusal : QString());
        if (!folder.startsWith(u"books"_qs)) {
            QCOMPARE(zt::folderRefusal(path), failed);
        }
        QCOMPARE(entryRows(*work->db).contains(u"Old|Old@x|||∅"_qs), refused);
    }

    // Folder and file names beyond any ANSI code page (a character outside
    // the BMP, Hangul) are found, opened and stored as named: on Windows they
    // go through the UTF-16 API, never the locale's code page.
    void namesBeyondTheCodePage() {
        QTemporaryDir book;
        const QString group = u"営業部 𠮷野家 한국"_qs;
        QVERIFY(QDir(book.path()).mkpath(group));
        writeFile(book.filePath(group + u"/名簿①.nrk"_qs), "FN:A\r\nEMAIL;PREF:a@x\r\nEND:VCARD\r\n");
        writeFile(book.filePath(group + u"/Group.idx"_qs), "\t\t\tA\ta@x\t\x89\xdb\x92\xb7\r\n");
        QStringList status;
        QCOMPARE(zt::importAddressBook(*work->db, book.path(), [&](const QString& s) { status << s; }).groups,
                 1);
        const QString reading = QDir::toNativeSeparators(book.path()) + u"\r\nから読み込み"_qs;
        QCOMPARE(status, (QStringList{group + u"\r\nから読み込み"_qs, reading, reading}));
        QCOMPARE(membershipRows(*work->db), QStringList{group + u"|A|a@x"_qs});
        QCOMPARE(entryRows(*work->db), QStringList{u"A|a@x|||課長"_qs});
    }

    // Runs of the window, "---" after each: the name, the answer to the
    // question, the folder picked (none: the dialog is cancelled), whether
    // another program holds the database, the last status; the boxes shown,
    // "=", the entries.
    void run_data() {
        QTest::addColumn<QString>("run");
        const QString runs = QString::fromUtf8(fileBytes(testData(u"import_runs.txt"_qs)));
        for (const QString& run : runs.split(u"---\n"_qs, Qt::SkipEmptyParts)) {
            QTest::newRow(qPrintable(run.section(u'\t', 0, 0))) << run;
        }
    }

    void run() {
        QFETCH(QString, run);
        const QString root = testData(QString()).chopped(1);
        // Paths are shown with the system's separator: `\` on Windows.
        run = QDir::toNativeSeparators(run.replace(u"{root}"_qs, root).replace(u"{db}"_qs, work->db->path()));
        const QStringList parts = run.split(u"=\n"_qs);
        QStringList messages = parts[0].split(u'\n', Qt::SkipEmptyParts);
        const QStringList head = messages.takeFirst().split(u'\t');
        messages.replaceInStrings(u"\\r\\n"_qs, u"\r\n"_qs);
        const bool confirm = head[1] == u"yes";
        MessageBox::setNextAnswer(confirm ? MessageBox::Answer::Yes : MessageBox::Answer::No);
        zt::FolderDialog::setNextFolder(head[2].isEmpty() ? QString() : root + u'/' + head[2]);
        QPointer<ZTAdrF01> window = new ZTAdrF01(*work->db);
        show(window);
        {
            // Another program's connection, writing: ours cannot begin.
            const std::unique_ptr<zt::Database> other = zt::Database::open(work->db->path());
            std::optional<zt::Transaction> writing;
            if (head[3] == u"locked") {
                writing.emplace(*other);
            }
            QTest::mouseClick(window->処理実行, Qt::LeftButton);
        }

        QCOMPARE(boxes(), messages);
        for (const MessageBox::Shown& s : MessageBox::shown()) {
            QCOMPARE(s.owner, window.data());
        }
        QCOMPARE(zt::FolderDialog::titlesShown() + zt::FolderDialog::startFoldersShown(),
                 (confirm ? QStringList{u"アドレス帳フォルダを選択してください"_qs, QDir::homePath()}
                          : QStringList{}));
        QCOMPARE(entryRows(*work->db), parts[1].split(u'\n', Qt::SkipEmptyParts));
        QVERIFY(window && !window->isVisible() && !window->処理実行->isEnabled());
        QCOMPARE(window->状況表示->text(), QString(head[4]).replace(u"\\n"_qs, u"\n"_qs));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(window.isNull());
    }
};

QTEST_MAIN(TestImport)
#include "tst_import.moc"
