#include <QtTest>
#include <QtWidgets>

#include <functional>

#include "platform/fatal_error.h"
#include "platform/help_engine.h"
#include "platform/message_box.h"
#include "platform/test_seams.h"
#include "test_support.h"

using zt::MessageBox;

namespace {

// Acts on the next modal message box once its event loop runs.
void whenBoxShows(std::function<void(QMessageBox*)> act) {
    QTimer::singleShot(0, [act] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            act(box);
        } else {
            whenBoxShows(act);
        }
    });
}

}  // namespace

class TestPlatformSeams : public QObject {
    Q_OBJECT

private slots:
    void init() { zt::enableTestSeams(); }
    void realMessageBox_data() {
        QTest::addColumn<MessageBox::Buttons>("buttons");
        QTest::addColumn<MessageBox::Answer>("defaultAnswer");
        QTest::addColumn<int>("key");
        QTest::addColumn<MessageBox::Answer>("expected");
        using B = MessageBox::Buttons;
        using A = MessageBox::Answer;
        QTest::newRow("Enter takes default No") << B::YesNo << A::No << int(Qt::Key_Return) << A::No;
        QTest::newRow("Escape means No") << B::YesNo << A::Yes << int(Qt::Key_Escape) << A::No;
    }

    void realMessageBox() {
        QFETCH(MessageBox::Buttons, buttons);
        QFETCH(MessageBox::Answer, defaultAnswer);
        QFETCH(int, key);
        QFETCH(MessageBox::Answer, expected);
        MessageBox::setTesting(false);
        QString text;
        whenBoxShows([&](QMessageBox* box) {
            text = box->text();
            QTest::keyClick(box, Qt::Key(key));
        });
        QCOMPARE(MessageBox::show(nullptr, "一行目\r\n二行目", "題", buttons, MessageBox::Icon::Exclamation,
                                  defaultAnswer),
                 expected);
        QCOMPARE(text, "一行目\n二行目");
    }

    void helpFile_data() {
        QTest::addColumn<QByteArray>("bytes");  // null: no file
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("missing") << QByteArray() << "ヘルプファイルが見つかりません。"
                                 << "";
        QTest::newRow("HTML in UTF-8") << QByteArray("  <h1>目次</h1><p>取り込み</p>") << ""
                                       << "目次\n取り込み";
        QTest::newRow("plain text in CP932") << QByteArray("\x96\xDA\x8E\x9F <b>\r\n\x87\x8A") << ""
                                             << "目次 <b>\n㈱";
    }

    // The engine runs for real here; only its complaints go to the message box seam.
    void helpFile() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QTemporaryDir dir;
        const QString path = dir.filePath("ZTADRCNV.hlp");
        if (!bytes.isNull()) {
            writeFile(path, bytes);
        }
        zt::HelpEngine::setTesting(false);
        QWidget owner;
        zt::HelpEngine::showContents(&owner, path);
        zt::HelpEngine::showContents(&owner, path);  // a second F1 raises the same window
        const QList<QTextBrowser*> browsers = owner.findChildren<QTextBrowser*>();
        if (message.isEmpty()) {
            QCOMPARE(browsers.size(), 1);
            QCOMPARE(browsers.first()->toPlainText(), shown);
            QVERIFY(MessageBox::shown().isEmpty());
        } else {
            QVERIFY(browsers.isEmpty());
            QCOMPARE(MessageBox::shown().size(), 2);
            QCOMPARE(MessageBox::shown().first().text, message + "\r\n" + path);
        }
    }
};

QTEST_MAIN(TestPlatformSeams)
#include "tst_platform_seams.moc"
