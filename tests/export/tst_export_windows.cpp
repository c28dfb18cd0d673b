#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include "export/csv_window.h"
#include "export/edmax_window.h"
#include "export/tsurukame_window.h"
#include "platform/desktop.h"
#include "platform/message_box.h"
#include "platform/test_seams.h"
#include "test_support.h"

namespace {

QStringList items(const QComboBox* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) {
        texts << list->itemText(i);
    }
    return texts;
}

// The one message of a finished EdMax or Tsurukame run.
bool shownCompletion(const QString& text) {
    const QList<zt::MessageBox::Shown>& shown = zt::MessageBox::shown();
    return shown.size() == 1 && shown[0].text == text && shown[0].title == "処理完了" &&
           shown[0].icon == zt::MessageBox::Icon::Information &&
           shown[0].buttons == zt::MessageBox::Buttons::Ok;
}

}  // namespace

class TestExportWindows : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void csvWindow();
    void choiceWindows_data();
    void choiceWindows();

private:
    std::unique_ptr<WorkDb> work_;
};

void TestExportWindows::init() {
    work_ = std::make_unique<WorkDb>();
    work_->person("G", "n", "a", "c", "", "t");
    zt::enableTestSeams();
}

void TestExportWindows::cleanup() {
    work_.reset();
}

void TestExportWindows::csvWindow() {
    QPointer<ZTAdrF02> window = new ZTAdrF02(*work_->db, work_->outDir());
    window->show();
    const QString path = work_->out("ZTAdrF02.txt");
    QCOMPARE(window->状況表示->text(),
             "グループ,名前,アドレス,会社名,部署名,役職\nの形式で、\n" + path + "\nに出力します。");

    QTest::mouseClick(window->処理実行, Qt::LeftButton);

    QTRY_VERIFY(window.isNull());
    QCOMPARE(zt::Desktop::opened(), QStringList{path});
    QVERIFY(zt::MessageBox::shown().isEmpty());
    QCOMPARE(fileBytes(path), QByteArray("G,n,a,c,,t\r\n"));
}

// The choice lists, the chosen entry's effect on the file, and the one
// completion message.
void TestExportWindows::choiceWindows_data() {
    QTest::addColumn<bool>("edmax");
    QTest::addColumn<QStringList>("choices");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("bytes");  // {today}: the date of the run
    QTest::addColumn<QString>("message");
    QTest::newRow("EdMax") << true
                           << QStringList{"1 会社名 [Tab] 部署名 [Tab] 役職",
                                          "2 会社名 [Tab] 部署名",
                                          "3 会社名 [Tab] 役職",
                                          "4 会社名",
                                          "5 会社名,部署名,役職",
                                          "6 会社名,部署名",
                                          "7 会社名,役職",
                                          "8 [出力なし]"}
                           << 4 << u"常用アドレス.adr"_qs
                           << QByteArray("G\r\n\t\r\n\r\nn\t\tG\r\na\r\nc,,t\r\n")
                           << u"EdMax用のアドレス帳(常用アドレス.adr)を作成しました。\r\n"
                              "C:\\Program Files\\EdMax\\Address フォルダにコピーしてください。"_qs;
    QTest::newRow("Tsurukame") << false
                               << QStringList{"1 会社名,部署名,役職", "2 会社名,部署名", "3 会社名,役職",
                                              "4 会社名", "5 [出力なし]"}
                               << 2 << u"AdrBook.txt"_qs << QByteArray("G1 G\r\nn,a,{today},c,t\r\n")
                               << u"鶴亀用のアドレス帳(AdrBook.txt)を作成しました。\r\n"
                                  "C:\\TuruKameData フォルダにコピーしてください。"_qs;
}

void TestExportWindows::choiceWindows() {
    QFETCH(bool, edmax);
    QFETCH(QStringList, choices);
    QFETCH(int, chosen);
    QFETCH(QString, file);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    QPointer<JobWindow> window = edmax ? static_cast<JobWindow*>(new ZTAdrF05(*work_->db, work_->outDir()))
                                       : new ZTAdrF06(*work_->db, work_->outDir());
    window->show();
    auto* list = window->findChild<QComboBox*>(edmax ? u"メモ選択"_qs : u"備考選択"_qs);
    QCOMPARE(items(list), choices);
    QCOMPARE(list->currentIndex(), 0);
    QCOMPARE(window->状況表示->text(), work_->out(file) + "\nに出力します。");

    list->setCurrentIndex(chosen);
    QTest::mouseClick(window->処理実行, Qt::LeftButton);

    QTRY_VERIFY(window.isNull());
    QCOMPARE(fileBytes(work_->out(file)),
             bytes.replace("{today}", QDate::currentDate().toString("yyyy/MM/dd").toLatin1()));
    QVERIFY(shownCompletion(message));
}

QTEST_MAIN(TestExportWindows)
#include "tst_export_windows.moc"
