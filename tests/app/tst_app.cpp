// Start-up and the main menu with the program's own job windows: the working
// database found beside the executable or refused, captions, help on F1, one
// window per job, and the quit check.
#include <QSignalSpy>
#include <QWindow>

#include "app/main_menu.h"
#include "app/startup.h"
#include "app/version_caption.h"
#include "platform/help_engine.h"
#include "shell/app_state.h"
#include "test_support.h"

namespace {

// Cells as the fixed-pitch font shows them: a full-width character takes two,
// the access key's "&" none.
int cells(const QString& text) {
    int n = 0;
    for (const QChar c : text) {
        n += c == u'&' ? 0 : c.unicode() < 0x80 ? 1 : 2;
    }
    return n;
}

}  // namespace

class TestApp : public GuiTest {
    Q_OBJECT

    std::unique_ptr<ZTAdrF00> menu;

    // The open job windows named `name`.
    static QList<QWidget*> jobs(const QString& name) {
        QList<QWidget*> found;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == name && w->isVisible()) {
                found << w;
            }
        }
        return found;
    }

    bool activateMenu() {
        menu->activateWindow();
        return QTest::qWaitForWindowActive(menu.get());
    }

private slots:
    void init() {
        reset();
        menu = std::make_unique<ZTAdrF00>(ZTAdrM1::JobWindows(*work->db, work->outDir()),
                                          u"/opt/tools/ZTADRCNV.hlp"_qs);
        menu->show();
        QVERIFY(QTest::qWaitForWindowActive(menu.get()));
    }

    void cleanup() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w != menu.get() && w->parentWidget() == nullptr) {
                delete w;
            }
        }
        menu.reset();
    }

    // The program works in its own folder, whichever folder it was started
    // from, and opens the database named after the executable.
    void opensTheDatabaseBesideTheExecutable() {
        QTemporaryDir program;
        zt::Database::create(program.filePath(u"FOO.mdb"_qs));
        const QString started = QDir::currentPath();
        std::unique_ptr<zt::Database> db = ZTAdrM1::OpenWorkingDatabase(program.path(), u"FOO"_qs);
        const QString current = QDir(QDir::currentPath()).canonicalPath();
        QDir::setCurrent(started);
        QVERIFY(db && ZTAdrM1::Db == db.get());
        QCOMPARE(ZTAdrM1::AppPath, program.path());
        QCOMPARE(ZTAdrM1::HelpFilePath(), program.filePath(u"FOO.hlp"_qs));
        QCOMPARE(current, QDir(program.path()).canonicalPath());
        QVERIFY(boxes().isEmpty());
    }

    // A database that cannot be used stops start-up with what happened to
    // which file, then the engine's text, and is left exactly as it was: the
    // program never makes or mends one.
    void refusesAnUnusableDatabase_data() {
        QTest::addColumn<QByteArray>("bytes");  // null: no file; empty: a database without its view
        QTest::addColumn<QString>("message");   // %1: the path
        QTest::newRow("missing") << QByteArray()
                                 << "作業用データベース %1 を開けません。\r\nunable to open database file";
        QTest::newRow("not a database")
            << QByteArray(4096, 'x')
            << "%1 は作業用データベースではないか、壊れています。\r\nfile is not a database";
        QTest::newRow("incomplete database")
            << QByteArray("")
            << "%1 は作業用データベースではないか、壊れています。\r\nno such table: 出力情報";
    }
    void refusesAnUnusableDatabase() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        QTemporaryDir program;
        const QString path = program.filePath(u"ZTADRCNV.mdb"_qs);
        if (bytes.isEmpty() && !bytes.isNull()) {
            zt::Database::create(path);
            zt::Database::open(path)->Execute(u"DROP VIEW 出力情報"_qs);
        } else if (!bytes.isNull()) {
            writeFile(path, bytes);
        }
        const QByteArray before = fileBytes(path);
        const QString started = QDir::currentPath();
        QVERIFY(!ZTAdrM1::OpenWorkingDatabase(program.path(), u"ZTADRCNV"_qs));
        QDir::setCurrent(started);
        QCOMPARE(ZTAdrM1::Db, nullptr);
        QCOMPARE(boxes(), QStringList{fatal(message.arg(path))});
        QCOMPARE(fileBytes(path), before);
    }

    // The used buttons show their number as access key and line up in one
    // column; the spares keep their place but are never shown.
    void captions() {
        QCOMPARE(menu->windowTitle(), u"ZTAdrF00：Norrik!アドレス帳移行支援 Ver.1.00.01"_qs);
        QCOMPARE(ZTAdrM1::VersionCaption(u"F"_qs, u"T"_qs, 1, 5, 123), u"F：T Ver.1.05.123"_qs);
        for (int i = 1; i <= 9; ++i) {
            const auto* button = menu->findChild<QPushButton*>(u"Command%1"_qs.arg(i));
            QCOMPARE(button->isVisible(), i <= 7);
            QVERIFY(button->text().startsWith(u"(&%1)"_qs.arg(i)));
            QCOMPARE(cells(button->text()), 43);
        }
    }

    // F1 opens the help whatever the modifiers, in the main menu only.
    void f1OpensHelp_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("F1") << "CommandEnd" << int(Qt::NoModifier);
        QTest::newRow("Shift+F1") << "Command1" << int(Qt::ShiftModifier);
        QTest::newRow("Ctrl+F1") << "Command6" << int(Qt::ControlModifier);
        QTest::newRow("F1 in a job window") << "ZTAdrF01" << int(Qt::NoModifier);
    }
    void f1OpensHelp() {
        QFETCH(QString, control);
        QFETCH(int, modifiers);
        const bool inJob = control == u"ZTAdrF01"_qs;
        if (inJob) {
            QTest::mouseClick(menu->Command1, Qt::LeftButton);
            QVERIFY(QTest::qWaitForWindowActive(jobs(control).value(0)));
        } else {
            menu->findChild<QPushButton*>(control)->setFocus();
        }
        QTest::keyClick(
            QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow(),
            Qt::Key_F1, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(zt::HelpEngine::calls().size(), inJob ? 0 : 1);
        if (!inJob) {
            QCOMPARE(zt::HelpEngine::calls().first().path, u"/opt/tools/ZTADRCNV.hlp"_qs);
            QCOMPARE(zt::HelpEngine::calls().first().owner, menu.get());
        }
    }

    // A second click brings the open window to the front; once closed, even
    // before it is deleted, the next click makes a fresh one.
    void oneWindowPerJob() {
        QTest::mouseClick(menu->Command2, Qt::LeftButton);
        QPointer<QWidget> first = jobs(u"ZTAdrF02"_qs).value(0);
        QVERIFY(first && QTest::qWaitForWindowActive(first));
        QVERIFY(activateMenu());
        QTest::mouseClick(menu->Command2, Qt::LeftButton);
        QCOMPARE(jobs(u"ZTAdrF02"_qs), QList<QWidget*>{first});
        QTRY_COMPARE(QApplication::activeWindow(), first.data());

        first->close();
        QTest::mouseClick(menu->Command2, Qt::LeftButton);
        QCOMPARE(jobs(u"ZTAdrF02"_qs).size(), 1);
        QVERIFY(jobs(u"ZTAdrF02"_qs).first() != first);
    }

    void quitRefusedWhileJobsOpen_data() {
        QTest::addColumn<bool>("quitButton");
        QTest::newRow("quit button") << true;
        QTest::newRow("close box") << false;
    }
    void quitRefusedWhileJobsOpen() {
        QFETCH(bool, quitButton);
        QSignalSpy closed(menu.get(), &ZTAdrF00::menuClosed);
        const auto requestClose = [&] {
            if (quitButton) {
                QTest::mouseClick(menu->CommandEnd, Qt::LeftButton);
            } else {
                menu->windowHandle()->close();
            }
        };
        // Opened in the other order: the focus goes to the first in button order.
        QTest::mouseClick(menu->Command7, Qt::LeftButton);
        QTest::mouseClick(menu->Command2, Qt::LeftButton);
        QWidget* csv = jobs(u"ZTAdrF02"_qs).value(0);
        QWidget* ldif = jobs(u"ZTAdrF07"_qs).value(0);
        QVERIFY(csv && ldif && activateMenu());

        requestClose();
        QCOMPARE(boxes(), QStringList{u"終了不可|x|Ok|他のフォームが開いているので終了できません。"_qs});
        QVERIFY(menu->isVisible());
        QCOMPARE(closed.count(), 0);
        QTRY_COMPARE(QApplication::activeWindow(), csv);

        csv->close();
        QVERIFY(activateMenu());
        requestClose();
        QCOMPARE(boxes().size(), 2);
        QTRY_COMPARE(QApplication::activeWindow(), ldif);
        ldif->close();
        QVERIFY(activateMenu());
        requestClose();
        QCOMPARE(boxes().size(), 2);
        QVERIFY(!menu->isVisible());
        QCOMPARE(closed.count(), 1);
    }
};

QTEST_MAIN(TestApp)
#include "tst_app.moc"
