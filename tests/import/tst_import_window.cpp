// The import window as the user meets it: the question, the folder dialog, the
// refusals, the report, the status texts, and a database held by another
// program; in every case the window closes and the old data stays unless the
// import completes.
#include <QLabel>

#include "gui_test.h"
#include "import/address_book_import.h"
#include "import/import_window.h"
#include "platform/folder_dialog.h"

using zt::MessageBox;

namespace {

const QString kConfirm =
    u"実行の確認|?|YesNo yes|この処理を行うと、今までのデータはクリアされます。\r\n実行しますか？"_qs;
const QString kNoFolder =
    u"処理中断|!|Ok|アドレス帳フォルダが指定されていません。\r\n処理をキャンセルします。"_qs;
const QString kRefused =
    u"処理中断|!|Ok|{root}/%1はアドレス帳フォルダとして不正です。（/AddrBook/ が含まれません）\r\n処理をキャンセルします。"_qs;
const QString kDone = u"正常終了|i|Ok| %1 個のグループを処理しました。"_qs;

QByteArray card(const QByteArray& name) {
    return card(name, name + "@x");
}

}  // namespace

class TestImportWindow : public GuiTest {
    Q_OBJECT
private slots:
    void init() {
        reset();
        AddressBookTree old({{u"old/c.nrk"_qs, card("Old")}});
        zt::importAddressBook(*work->db, old.picked());
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
                                << QStringList{u"髙橋①|髙橋①@x|||∅"_qs, u"Y|Y@x|||∅"_qs};
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

        AddressBookTree book(
            {{u"g1/c.nrk"_qs, card("\xfb\xfc\x8b\xb4\x87\x40")}, {u"g2/c.nrk"_qs, card("Y")}});
        QVERIFY(QDir().mkpath(book.root() + u"/AddrBook/empty"_qs));
        messages.replaceInStrings(u"{root}"_qs, book.root());
        messages.replaceInStrings(u"{db}"_qs, work->db->path());
        lastStatus.replace(u"{root}"_qs, book.root());

        MessageBox::setNextAnswer(confirm ? MessageBox::Answer::Yes : MessageBox::Answer::No);
        if (confirm) {
            zt::FolderDialog::setNextFolder(folder.isEmpty() ? QString() : book.root() + u'/' + folder);
        }
        QPointer<ZTAdrF01> window = new ZTAdrF01(*work->db);
        show(window);
        QLabel* status = window->状況表示;
        {
            std::optional<Lock> lock;
            if (locked) {
                lock.emplace(work->db->path());
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

QTEST_MAIN(TestImportWindow)
#include "tst_import_window.moc"
