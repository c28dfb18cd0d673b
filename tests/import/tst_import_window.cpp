#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include "address_book_fixture.h"
#include "app/app_state.h"
#include "import/address_book_import.h"
#include "import/import_window.h"
#include "platform/fatal_error.h"
#include "platform/folder_dialog.h"
#include "platform/message_box.h"
#include "platform/test_seams.h"

using zt::MessageBox;

namespace {

const QString kConfirm =
    u"実行の確認|Question|YesNo/Yes|この処理を行うと、今までのデータはクリアされます。\r\n実行しますか？"_qs;
const QString kNoFolder =
    u"処理中断|Exclamation|Ok/Ok|アドレス帳フォルダが指定されていません。\r\n処理をキャンセルします。"_qs;
const QString kRefused =
    u"処理中断|Exclamation|Ok/Ok|{root}/%1はアドレス帳フォルダとして不正です。（/AddrBook/ "
    u"が含まれません）\r\n"
    "処理をキャンセルします。"_qs;
const QString kDone = u"正常終了|Information|Ok/Ok| %1 個のグループを処理しました。"_qs;

QString describe(const MessageBox::Shown& shown) {
    static const QStringList icons{u"Question"_qs, u"Exclamation"_qs, u"Information"_qs, u"Critical"_qs};
    static const QStringList answers{u"Ok"_qs, u"Yes"_qs, u"No"_qs};
    return QStringList{shown.title, icons[int(shown.icon)],
                       (shown.buttons == MessageBox::Buttons::YesNo ? u"YesNo/"_qs : u"Ok/"_qs) +
                           answers[int(shown.defaultAnswer)],
                       shown.text}
        .join(u'|');
}

QByteArray card(const QByteArray& name, const QByteArray& address) {
    return "BEGIN:VCARD\r\nFN:" + name + "\r\nEMAIL;PREF:" + address + "\r\nEND:VCARD\r\n";
}

}  // namespace

class TestImportWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void run_data();
    void run();

private:
    QTemporaryDir dir_;
    std::unique_ptr<zt::Database> db_;
    QStringList oldEntries_;
};

void TestImportWindow::initTestCase() {
    db_ = createDatabase(dir_.filePath(u"ZTADRCNV.mdb"_qs));
    ZTAdrM1::Db = db_.get();
}

void TestImportWindow::cleanupTestCase() {
    ZTAdrM1::Db = nullptr;
    db_.reset();
}

void TestImportWindow::init() {
    AddressBookTree old;
    old.add({{u"old/c.nrk"_qs, card("Old", "old@x")}});
    QCOMPARE(zt::importAddressBook(*db_, old.picked()), 1);
    oldEntries_ = entryRows(*db_);
    // Also empties the queued answers a failed row may have left behind.
    zt::enableTestSeams();
}

void TestImportWindow::run_data() {
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<QString>("folder");  // under the temporary root; empty: the dialog is cancelled
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("lastStatus");
    QTest::addColumn<QStringList>("entries");  // empty list with keepsOld: the old rows
    QTest::addColumn<bool>("keepsOld");
    QTest::addColumn<bool>("fatal");

    const QString picked = u"{root}/AddrBook/picked\nから読み込み"_qs;
    QTest::newRow("answer No") << false << QString() << QStringList{kConfirm} << u"実行確認"_qs
                               << QStringList{} << true << false;
    QTest::newRow("dialog cancelled") << true << QString() << QStringList{kConfirm, kNoFolder}
                                      << u"アドレス帳フォルダ指定"_qs << QStringList{} << true << false;
    QTest::newRow("AddrBook itself refused")
        << true << u"AddrBook"_qs << QStringList{kConfirm, kRefused.arg(u"AddrBook"_qs)}
        << u"アドレス帳フォルダ指定"_qs << QStringList{} << true << false;
    QTest::newRow("lower-case addrbook refused")
        << true << u"addrbook/picked"_qs << QStringList{kConfirm, kRefused.arg(u"addrbook/picked"_qs)}
        << u"アドレス帳フォルダ指定"_qs << QStringList{} << true << false;
    QTest::newRow("no sub-folders") << true << u"AddrBook/empty"_qs << QStringList{kConfirm, kDone.arg(0)}
                                    << u"データクリア"_qs << QStringList{} << false << false;
    QTest::newRow("real import") << true << u"AddrBook/picked"_qs << QStringList{kConfirm, kDone.arg(2)}
                                 << picked << QStringList{u"髙橋①|t@x|||∅"_qs, u"Y|y@|||∅"_qs} << false
                                 << false;
    QTest::newRow("vanished folder is a fatal error") << true << u"AddrBook/gone"_qs << QStringList{kConfirm}
                                                      << u"データクリア"_qs << QStringList{} << true << true;
}

void TestImportWindow::run() {
    QFETCH(bool, confirm);
    QFETCH(QString, folder);
    QFETCH(QStringList, messages);
    QFETCH(QString, lastStatus);
    QFETCH(QStringList, entries);
    QFETCH(bool, keepsOld);
    QFETCH(bool, fatal);

    AddressBookTree book;
    const QString rootPath = book.root();
    book.add({{u"g1/c.nrk"_qs, card("\xfb\xfc\x8b\xb4\x87\x40", "t@x")}, {u"g2/c.nrk"_qs, card("Y", "y@")}});
    QVERIFY(QDir().mkpath(rootPath + u"/AddrBook/empty"_qs));
    QVERIFY(QDir().mkpath(rootPath + u"/addrbook/picked/g"_qs));
    for (QString& m : messages) {
        m.replace(u"{root}"_qs, rootPath);
    }
    lastStatus.replace(u"{root}"_qs, rootPath);

    MessageBox::setNextAnswer(confirm ? MessageBox::Answer::Yes : MessageBox::Answer::No);
    if (confirm) {
        zt::FolderDialog::setNextFolder(folder.isEmpty() ? QString() : rootPath + u'/' + folder);
    }

    QPointer<ZTAdrF01> window = new ZTAdrF01;
    QCOMPARE(window->windowTitle(), u"アドレス帳データを取り込み"_qs);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTest::mouseClick(window->処理実行, Qt::LeftButton);

    QStringList shown;
    for (const MessageBox::Shown& s : MessageBox::shown()) {
        if (s.icon != MessageBox::Icon::Critical) {
            QCOMPARE(s.owner, window.data());
            shown << describe(s);
        }
    }
    QCOMPARE(shown, messages);
    QCOMPARE(zt::FolderDialog::titlesShown(),
             confirm ? QStringList{u"アドレス帳フォルダを選択してください"_qs} : QStringList{});
    QCOMPARE(zt::fatalErrorsReported().size(), fatal ? 1 : 0);
    QCOMPARE(entryRows(*db_), keepsOld ? oldEntries_ : entries);

    QVERIFY(window);
    QCOMPARE(window->状況表示->text(), lastStatus);
    QVERIFY(!window->処理実行->isEnabled());
    QVERIFY(!window->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(window.isNull());
}

QTEST_MAIN(TestImportWindow)
#include "tst_import_window.moc"
