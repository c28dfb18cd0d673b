// Start-up and the main menu with the program's own job windows: the working
// folder and its database found or refused, captions, help on F1, one
// window per job, and the quit check.
#include <unistd.h>
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

    // The database and the outputs are kept in the program folder while the
    // user can write it, else in a folder of the user's own, made on the first
    // start with a copy of the installed empty database. The program may have
    // been renamed (FOO) and started from anywhere. Read-only rows need an
    // ordinary user: ctest runs this test as nobody when it runs as root.
    void workingFolder_data() {
        QTest::addColumn<QString>("lock");      // made read-only: "folder", "db" (the program's) or nothing
        QTest::addColumn<QString>("xdg");       // XDG_DATA_HOME, %1 the home folder
        QTest::addColumn<bool>("userDb");       // the working folder has a database with one entry
        QTest::addColumn<bool>("installedDb");  // the program folder has its database
        QTest::addColumn<QString>("work");      // under the home folder; empty: the program folder
        QTest::addColumn<QString>("message");   // the failure shown: %1 the working folder, %2 the program's
        QTest::newRow("writable folder") << ""
                                         << "%1/data" << false << true << ""
                                         << "";
        QTest::newRow("read-only install") << "folder"
                                           << "%1/data" << false << true << "data/ztadrcnv"
                                           << "";
        QTest::newRow("read-only database") << "db"
                                            << "%1/data" << false << true << "data/ztadrcnv"
                                            << "";
        QTest::newRow("XDG_DATA_HOME empty") << "folder"
                                             << "" << false << true << ".local/share/ztadrcnv"
                                             << "";
        QTest::newRow("XDG_DATA_HOME relative") << "folder"
                                                << "data" << false << true << ".local/share/ztadrcnv"
                                                << "";
        QTest::newRow("second start") << "folder"
                                      << "%1/data" << true << false << "data/ztadrcnv"
                                      << "";
        QTest::newRow("folder cannot be made") << "folder"
                                               << "%1/file" << false << true << "file/ztadrcnv"
                                               << "作業用フォルダ %1 を作れません。\r\nNot a directory";
        QTest::newRow("nothing to copy") << "folder"
                                         << "%1/data" << false << false << "data/ztadrcnv"
                                         << "作業用データベース %1/FOO.mdb を %2/FOO.mdb "
                                            "から用意できません。\r\nNo such file or directory";
    }
    void workingFolder() {
        QFETCH(QString, lock);
        QFETCH(QString, xdg);
        QFETCH(bool, userDb);
        QFETCH(bool, installedDb);
        QFETCH(QString, work);
        QFETCH(QString, message);
        if (!lock.isEmpty() && geteuid() == 0) {
            QSKIP("root may write anywhere");
        }
        QTemporaryDir home;
        const QString program = home.filePath(u"opt"_qs),
                      expected = work.isEmpty() ? program : home.filePath(work);
        QDir(home.path()).mkdir(u"opt"_qs);
        writeFile(home.filePath(u"file"_qs), {});
        if (installedDb) {
            zt::Database::create(program + u"/FOO.mdb"_qs);
        }
        if (userDb) {
            QDir().mkpath(expected);
            zt::Database::create(expected + u"/FOO.mdb"_qs);
            zt::Database::open(expected + u"/FOO.mdb"_qs)
                ->Execute(u"INSERT INTO アドレス情報 (名前) VALUES ('x')"_qs);
        }
        const QString locked = lock == u"db"_qs ? program + u"/FOO.mdb"_qs : program;
        const auto permissions = QFile::permissions(locked);
        if (!lock.isEmpty()) {
            QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
        }
        const auto unlock = qScopeGuard([&] { QFile::setPermissions(locked, permissions); });
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_DATA_HOME", xdg.replace(u"%1"_qs, home.path()).toUtf8());
        const QString started = QDir::currentPath();
        std::unique_ptr<zt::Database> db = ZTAdrM1::OpenWorkingDatabase(program, u"FOO"_qs);
        const QString current = QDir::currentPath();
        QDir::setCurrent(started);
        if (!message.isEmpty()) {
            QVERIFY(!db);
            QCOMPARE(boxes(),
                     QStringList{fatal(message.replace(u"%1"_qs, expected).replace(u"%2"_qs, program))});
            QCOMPARE(QDir(expected).entryList(QDir::Files | QDir::Hidden), QStringList());
            return;
        }
        QCOMPARE(boxes(), QStringList());
        QVERIFY(db && ZTAdrM1::Db == db.get());
        QCOMPARE(ZTAdrM1::DbPath, expected + u"/FOO.mdb"_qs);
        QCOMPARE(current, expected);
        QCOMPARE(entryRows(*db).size(), userDb ? 1 : 0);
        QCOMPARE(ZTAdrM1::HelpFilePath(), program + u"/FOO.hlp"_qs);
        QVERIFY(run(ZTAdrM1::JobWindows(*db, ZTAdrM1::WorkPath).csv()));
        QVERIFY(QFileInfo::exists(expected + u"/ZTAdrF02.txt"_qs));
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
            QCOMPARE(button->isVisible(), QList<int>({1, 2, 3, 5, 6}).contains(i));
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
        QTest::mouseClick(menu->Command5, Qt::LeftButton);
        QTest::mouseClick(menu->Command2, Qt::LeftButton);
        QWidget* csv = jobs(u"ZTAdrF02"_qs).value(0);
        QWidget* edmax = jobs(u"ZTAdrF05"_qs).value(0);
        QVERIFY(csv && edmax && activateMenu());

        requestClose();
        QCOMPARE(boxes(), QStringList{u"終了不可|x|Ok|他のフォームが開いているので終了できません。"_qs});
        QVERIFY(menu->isVisible());
        QCOMPARE(closed.count(), 0);
        QTRY_COMPARE(QApplication::activeWindow(), csv);

        csv->close();
        edmax->close();
        QVERIFY(activateMenu());
        requestClose();
        QCOMPARE(boxes().size(), 1);
        QVERIFY(!menu->isVisible());
        QCOMPARE(closed.count(), 1);
    }
};

QTEST_MAIN(TestApp)
#include "tst_app.moc"
