#include <QApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QWindow>
#include <QtTest>
#include <memory>

#include "app/main_menu.h"
#include "platform/help_engine.h"
#include "platform/message_box.h"
#include "platform/test_seams.h"

namespace {

// The offscreen platform cannot raise windows and says so at every raise().
QtMessageHandler defaultHandler = nullptr;
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message != u"This plugin does not support raise()"_qs) {
        defaultHandler(type, context, message);
    }
}

class DummyJob : public JobWindow {
public:
    explicit DummyJob(const QString& name) : JobWindow(name, name, 4500, 1800) {}

protected:
    void runJob() override {}
};

QString spaces(int n) {
    return QString(n, QChar(0x3000));
}

}  // namespace

class TestMainMenu : public QObject {
    Q_OBJECT

    std::unique_ptr<ZTAdrF00> menu;
    QMap<QString, int> made;
    QList<QPointer<JobWindow>> jobWindows;

    ZTAdrF00::JobFactories factories() {
        auto factory = [this](const QString& name) {
            return [this, name]() -> JobWindow* {
                ++made[name];
                auto* w = new DummyJob(name);
                jobWindows.append(w);
                return w;
            };
        };
        return {factory(u"ZTAdrF01"_qs), factory(u"ZTAdrF02"_qs), factory(u"ZTAdrF05"_qs),
                factory(u"ZTAdrF06"_qs)};
    }

    QPushButton* button(const QString& name) { return menu->findChild<QPushButton*>(name); }

    JobWindow* openJob(const QString& name) {
        for (const QPointer<JobWindow>& w : jobWindows) {
            if (w && w->isVisible() && w->objectName() == name) {
                return w;
            }
        }
        return nullptr;
    }

    bool activateMenu() {
        menu->activateWindow();
        return QTest::qWaitForWindowActive(menu.get());
    }

    void requestClose(const QString& how) {
        if (how == u"quit button"_qs) {
            QTest::mouseClick(menu->CommandEnd, Qt::LeftButton);
        } else {
            menu->windowHandle()->close();
        }
    }

private slots:
    void initTestCase() { defaultHandler = qInstallMessageHandler(quietHandler); }

    void init() {
        zt::enableTestSeams();
        made.clear();
        menu = std::make_unique<ZTAdrF00>(factories(), u"/opt/tools/ZTADRCNV.hlp"_qs);
        menu->show();
        QVERIFY(QTest::qWaitForWindowActive(menu.get()));
    }

    void cleanup() {
        for (const QPointer<JobWindow>& w : jobWindows) {
            delete w.data();
        }
        jobWindows.clear();
        menu.reset();
    }

    // Spare buttons keep their place in the column but are never shown.
    void captions_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("shown");
        const QString used[] = {
            "アドレス帳データを取り込み" + spaces(7), "CSV 出力" + spaces(16),          {}, {},
            "EdMax アドレス帳作成" + spaces(10),      "鶴亀アドレス帳作成" + spaces(11)};
        for (int i = 1; i <= 9; ++i) {
            const QString text = i <= 6 && !used[i - 1].isEmpty() ? used[i - 1] : spaces(20);
            QTest::addRow("Command%d", i)
                << u"Command%1"_qs.arg(i) << u"(&%1)"_qs.arg(i) + text << (i <= 6 && !used[i - 1].isEmpty());
        }
        QTest::newRow("CommandEnd") << "CommandEnd"
                                    << "終了(&X)" << true;
        QTest::newRow("Label2") << "Label2"
                                << "F1 で HELP表示" << true;
    }
    void captions() {
        QFETCH(QString, control);
        QFETCH(QString, text);
        QFETCH(bool, shown);
        QWidget* widget = menu->findChild<QWidget*>(control);
        QVERIFY(widget);
        QCOMPARE(widget->property("text").toString(), text);
        QCOMPARE(widget->isVisible(), shown);
    }

    void f1OpensHelp_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("modifiers");
        const std::pair<const char*, Qt::KeyboardModifiers> mods[] = {{"F1", Qt::NoModifier},
                                                                      {"Shift+F1", Qt::ShiftModifier},
                                                                      {"Ctrl+F1", Qt::ControlModifier},
                                                                      {"Alt+F1", Qt::AltModifier}};
        for (const auto& [name, mod] : mods) {
            QTest::newRow(name) << (mod ? "Command1" : "CommandEnd") << int(mod);
        }
    }
    void f1OpensHelp() {
        QFETCH(QString, control);
        QFETCH(int, modifiers);
        button(control)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(zt::HelpEngine::calls().size(), 1);
        QCOMPARE(zt::HelpEngine::calls().first().path, u"/opt/tools/ZTADRCNV.hlp"_qs);
    }

    void f1InJobWindowDoesNothing() {
        QTest::mouseClick(menu->Command1, Qt::LeftButton);
        JobWindow* job = openJob(u"ZTAdrF01"_qs);
        QVERIFY(job);
        QVERIFY(QTest::qWaitForWindowActive(job));
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : job;
        QCOMPARE(target->window(), job);
        QTest::keyClick(target, Qt::Key_F1);
        QTest::keyClick(target, Qt::Key_F1, Qt::ShiftModifier);
        QVERIFY(zt::HelpEngine::calls().isEmpty());
    }

    void secondClickRaisesTheOpenWindow() {
        QTest::mouseClick(menu->Command2, Qt::LeftButton);
        QPointer<JobWindow> first = openJob(u"ZTAdrF02"_qs);
        QVERIFY(first);
        QVERIFY(QTest::qWaitForWindowActive(first));
        QVERIFY(activateMenu());

        QTest::mouseClick(menu->Command2, Qt::LeftButton);
        QCOMPARE(made.value(u"ZTAdrF02"_qs), 1);
        QTRY_COMPARE(QApplication::activeWindow(), first.data());
    }

    // Closed but not yet deleted: a new one is made all the same.
    void closedWindowIsMadeAfresh() {
        QTest::mouseClick(menu->Command5, Qt::LeftButton);
        QPointer<JobWindow> first = openJob(u"ZTAdrF05"_qs);
        QVERIFY(first);
        first->close();

        QTest::mouseClick(menu->Command5, Qt::LeftButton);
        QCOMPARE(made.value(u"ZTAdrF05"_qs), 2);
        QPointer<JobWindow> second = openJob(u"ZTAdrF05"_qs);
        QVERIFY(second);
        QVERIFY(second != first);
    }

    void quitRefusedWhileJobsOpen_data() {
        QTest::addColumn<QString>("how");
        for (const char* how : {"quit button", "close box"}) {
            QTest::newRow(how) << QString::fromLatin1(how);
        }
    }
    void quitRefusedWhileJobsOpen() {
        QFETCH(QString, how);
        QSignalSpy closed(menu.get(), &ZTAdrF00::menuClosed);
        // Opened in the other order: the focus goes to the first in button order.
        QTest::mouseClick(menu->Command5, Qt::LeftButton);
        QTest::mouseClick(menu->Command2, Qt::LeftButton);
        JobWindow* csv = openJob(u"ZTAdrF02"_qs);
        JobWindow* edmax = openJob(u"ZTAdrF05"_qs);
        QVERIFY(csv && edmax);
        QVERIFY(activateMenu());

        requestClose(how);
        QCOMPARE(zt::MessageBox::shown().size(), 1);
        QCOMPARE(zt::MessageBox::shown().first().title + zt::MessageBox::shown().first().text,
                 u"終了不可他のフォームが開いているので終了できません。"_qs);
        QVERIFY(menu->isVisible());
        QCOMPARE(closed.count(), 0);
        QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(csv));

        csv->close();
        edmax->close();
        QVERIFY(activateMenu());
        requestClose(how);
        QCOMPARE(zt::MessageBox::shown().size(), 1);
        QVERIFY(!menu->isVisible());
        QCOMPARE(closed.count(), 1);
    }
};

QTEST_MAIN(TestMainMenu)
#include "tst_main_menu.moc"
