#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include "import/address_book_import.h"
#include "import/import_window.h"
#include "platform/fatal_error.h"
#include "platform/folder_dialog.h"
#include "platform/message_box.h"
#include "platform/test_seams.h"
#include "test_support.h"

using zt::MessageBox;

namespace {

const QString kConfirm =
    u"実行の確認|0|YesNo|この処理を行うと、今までのデータはクリアされます。\r\n実行しますか？"_qs;
const QString kNoFolder =
    u"処理中断|1|Ok|アドレス帳フォルダが指定されていません。\r\n処理をキャンセルします。"_qs;
const QString kRefused =
    u"処理中断|1|Ok|{root}/%1はアドレス帳フォルダとして不正です。（/AddrBook/ が含まれません）\r\n処理をキャンセルします。"_qs;
const QString kDone = u"正常終了|2|Ok| %1 個のグループを処理しました。"_qs;

// Title, icon (0 question, 1 exclamation, 2 information), buttons with the default, text.
QString describe(const MessageBox::Shown& s) {
    const bool yesNo = s.buttons == MessageBox::Buttons::YesNo;
    const bool defaultOk = s.defaultAnswer == (yesNo ? MessageBox::Answer::Yes : MessageBox::Answer::Ok);
    return QStringList{s.title, QString::number(int(s.icon)),
                       (yesNo ? u"YesNo"_qs : u"Ok"_qs) + (defaultOk ? QString() : u"(odd default)"_qs),
                       s.text}
        .join(u'|');
}

QByteArray card(const QByteArray& name) {
    return card(name, name + "@x");
}

}  // namespace

class TestImportWindow : public QObject {
    Q_OBJECT
private slots:

    void initTestCase() { db_ = createDatabase(dir_.filePath(u"ZTADRCNV.mdb"_qs)); }

    void init() {
        AddressBookTree old({{u"old/c.nrk"_qs, card("Old")}});
        zt::importAddressBook(*db_, old.picked());
        oldEntries_ = entryRows(*db_);
        zt::enableTestSeams();  // also drops answers a failed row left queued
    }

    void run_data() {
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QString>("folder");  // under the temporary root; empty: the dialog is cancelled
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("lastStatus");
        QTest::addColumn<QStringList>("entries");  // "old": the rows before the run
        QTest::addColumn<bool>("fatal");

        const QStringList old{u"old"_qs};
        QTest::newRow("answer No") << false << QString() << QStringList{kConfirm} << u"実行確認"_qs << old
                                   << false;
        QTest::newRow("dialog cancelled") << true << QString() << QStringList{kConfirm, kNoFolder}
                                          << u"アドレス帳フォルダ指定"_qs << old << false;
        QTest::newRow("AddrBook itself")
            << true << u"AddrBook"_qs << QStringList{kConfirm, kRefused.arg(u"AddrBook"_qs)}
            << u"アドレス帳フォルダ指定"_qs << old << false;
        QTest::newRow("no sub-folders") << true << u"AddrBook/empty"_qs << QStringList{kConfirm, kDone.arg(0)}
                                        << u"データクリア"_qs << QStringList{} << false;
        QTest::newRow("import") << true << u"AddrBook/picked"_qs << QStringList{kConfirm, kDone.arg(2)}
                                << u"{root}/AddrBook/picked\nから読み込み"_qs
                                << QStringList{u"髙橋①|髙橋①@x|||∅"_qs, u"Y|Y@x|||∅"_qs} << false;
        QTest::newRow("vanished folder")
            << true << u"AddrBook/gone"_qs << QStringList{kConfirm} << u"データクリア"_qs << old << true;
    }

    void run() {
        QFETCH(bool, confirm);
        QFETCH(QString, folder);
        QFETCH(QStringList, messages);
        QFETCH(QString, lastStatus);
        QFETCH(QStringList, entries);
        QFETCH(bool, fatal);

        AddressBookTree book(
            {{u"g1/c.nrk"_qs, card("\xfb\xfc\x8b\xb4\x87\x40")}, {u"g2/c.nrk"_qs, card("Y")}});
        QVERIFY(QDir().mkpath(book.root() + u"/AddrBook/empty"_qs));
        messages.replaceInStrings(u"{root}"_qs, book.root());
        lastStatus.replace(u"{root}"_qs, book.root());

        MessageBox::setNextAnswer(confirm ? MessageBox::Answer::Yes : MessageBox::Answer::No);
        if (confirm) {
            zt::FolderDialog::setNextFolder(folder.isEmpty() ? QString() : book.root() + u'/' + folder);
        }
        QPointer<ZTAdrF01> window = new ZTAdrF01(*db_);
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
        QCOMPARE(zt::FolderDialog::startFoldersShown(),
                 confirm ? QStringList{QDir::homePath()} : QStringList{});
        QCOMPARE(zt::fatalErrorsReported().size(), fatal ? 1 : 0);
        QCOMPARE(entryRows(*db_), entries == QStringList{u"old"_qs} ? oldEntries_ : entries);

        QVERIFY(window && !window->isVisible() && !window->処理実行->isEnabled());
        QCOMPARE(window->状況表示->text(), lastStatus);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(window.isNull());
    }

private:
    QTemporaryDir dir_;
    std::unique_ptr<zt::Database> db_;
    QStringList oldEntries_;
};

QTEST_MAIN(TestImportWindow)
#include "tst_import_window.moc"
