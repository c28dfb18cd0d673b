// Start-up and the main menu with the program's own job windows: the working
// folder and its database found or refused, captions, help on F1, one
// window per job, and the quit check.
#include <sys/stat.h>

#include <QSignalSpy>
#include <QStandardPaths>
#include <QWindow>

#include "app/main_menu.h"
#include "app/program_folders.h"
#include "app/startup.h"
#include "faults.h"
#include "import/address_book_import.h"
#include "platform/cp932.h"
#include "platform/folder_dialog.h"
#include "platform/help_engine.h"
#include "shell/app_state.h"
#include "shell/status_label.h"
#include "test_support.h"
#include "windows/import_window.h"
#include "windows/people_window.h"

static bool onWindows() {
    return QSysInfo::productType() == u"windows";
}

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

    // The program folder ~/opt and the user's folders under `home` as a row
    // of workingDatabase_data describes them.
    static void makeCopy(const QString& setup, const QString& home, const QString& expected) {
        const auto path = [&](QString p) { return p.replace(u'~', home); };
        const QString program = path(u"~/opt"_qs);
        const QString beside = program + u"/FOO.mdb"_qs, empty = program + u"/empty.mdb"_qs;
        const bool installed = setup.contains(u'E');
        QDir().mkpath(program);
        QDir().mkpath(path(u"~/cfg"_qs));
        writeFile(path(u"~/cfg/user-dirs.dirs"_qs), "XDG_DOCUMENTS_DIR=\"$HOME/ドキュメント\"\n");
        // ~/f: a file where the user's folder would be made.
        writeFile(setup.contains(u'x') ? beside : path(u"~/f"_qs), QByteArray(4096, 'x'));
        if (setup.contains(u'N')) {
            writeFile(path(u"~/ドキュメント"_qs), "x");
        }
        if (installed) {
            zt::Database::create(empty);
        }
        if (installed ? setup.contains(u'O') : !setup.contains(u'x') && !setup.contains(u'n')) {
            zt::Database::create(beside);
            const auto old = zt::Database::open(beside);
            old->Execute(setup.contains(u'v') ? u"DROP VIEW 出力情報"_qs
                                              : u"INSERT INTO アドレス情報 (名前) VALUES ('kept')"_qs);
            if (setup.contains(u'2')) {
                old->Execute(u"PRAGMA user_version = 5"_qs);
            }
            if (setup.contains(u'0')) {
                makeVersion0(*old);
            }
        }
        if (setup.contains(u'd')) {
            QDir().mkpath(expected);
            zt::Database::create(expected + u"/FOO.mdb"_qs);
        }
    }

    bool activateMenu() {
        menu->activateWindow();
        return QTest::qWaitForWindowActive(menu.get());
    }

private slots:
    void init() {
        reset();
        menu = std::make_unique<ZTAdrF00>(ZTAdrM1::JobWindows(*work->db, work->outDir()), *work->db,
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

    // A portable copy works in its own folder. An installed one (empty.mdb
    // beside it) keeps each user's database in their data folder and the
    // outputs in their documents, even where it could write its own folder, as
    // root can; a database the earlier layout left there moves over once. An
    // unusable database or folder stops start-up and is left as it was. As
    // root, ctest runs this as nobody.
    void workingDatabase_data() {
        // setup (E: installed; read-only: F the program folder ~/opt, D its
        // FOO.mdb; beside it: O the earlier layout's FOO.mdb, n none, x no
        // database, v one without its view; d a database in the data folder;
        // N a file where the documents folder would be; its format: 0 an earlier
        // program's, 2 a newer program's), XDG_DATA_HOME, working
        // folder (empty: ~/opt), modes of it, its FOO.mdb and the output
        // folder, box (icon|text); ~: home.
        QTest::addColumn<QStringList>("row");
        const QString data = u"~/.local/share/ztadrcnv"_qs,
                      broken = u"は作業用データベースではないか、壊れています。"_qs;
        QTest::newRow("portable") << QStringList{"", "~/d", "", "", ""};
        QTest::newRow("portable, read-only") << QStringList{
            "F", "~/d", "", "",
            "x|作業用フォルダ ~/opt は読み取り専用のため、書き込めません。\r\nPermission denied"};
        QTest::newRow("read-only database")
            << QStringList{"D", "d", "", "",
                           "x|作業用データベース ~/opt/FOO.mdb は読み取り専用のため、書き込めません。\r\n"
                           "attempt to write a readonly database"};
        QTest::newRow("read-only earlier database")
            << QStringList{"D0", "d", "", "",
                           "x|作業用データベース ~/opt/FOO.mdb は読み取り専用のため、書き込めません。\r\n"
                           "attempt to write a readonly database"};
        QTest::newRow("newer database") << QStringList{
            "2", "", "", "",
            "x|作業用データベース ~/opt/FOO.mdb は新しい版のプログラムで作られたため、使えません。\r\n"
            "新しい版のプログラムを使ってください。"};
        QTest::newRow("installed") << QStringList{"E", "~/d", "~/d/ztadrcnv", "700 600 700", ""};
        QTest::newRow("installed read-only, relative data home")
            << QStringList{"EF", "d", data, "700 600 700", ""};
        QTest::newRow("earlier database moved")
            << QStringList{"EO", "", data, "",
                           "i|作業用データベースの置き場所が変わりました。\r\n~/opt/FOO.mdb\r\nを\r\n" +
                               data + "/FOO.mdb\r\nに移しました。"};
        QTest::newRow("earlier database left") << QStringList{"EOd", "", data, "", ""};
        QTest::newRow("no data folder")
            << QStringList{"E", "~/f", "~/f/ztadrcnv", "",
                           "x|作業用フォルダ ~/f/ztadrcnv を作れません。\r\nNot a directory"};
        QTest::newRow("no documents folder") << QStringList{
            "EN", "", data, "", "x|出力フォルダ ~/ドキュメント/ZTADRCNV を作れません。\r\nNot a directory"};
        QTest::newRow("missing") << QStringList{
            "n", "", "", "",
            "x|作業用データベース ~/opt/FOO.mdb を開けません。\r\nunable to open database file"};
        QTest::newRow("not a database")
            << QStringList{"x", "", "", "", "x|~/opt/FOO.mdb " + broken + "\r\nfile is not a database"};
        QTest::newRow("incomplete database")
            << QStringList{"v", "", "", "", "x|~/opt/FOO.mdb " + broken + "\r\nno such table: 出力情報"};
    }
    void workingDatabase() {
        QFETCH(QStringList, row);
        const QString &setup = row[0], &xdg = row[1], &work = row[2], &modes = row[3], &box = row[4];
        const bool locked = setup.contains(u'F') || setup.contains(u'D'), installed = setup.contains(u'E');
        if (locked && !permissionsHold()) {
            QSKIP("root may write anywhere");
        }
        if (onWindows() && (setup.contains(u'F') || setup.contains(u'O'))) {
            QSKIP(
                "a folder's read-only flag does not stop writes on Windows, which never had the "
                "earlier layout; windowsFolders() has the Windows cases");
        }
        if (onWindows() && installed && (xdg != u"~/d" || setup.contains(u'N'))) {
            QSKIP("XDG's folders and their rules are Linux's; windowsFolders() has the Windows cases");
        }
        QTemporaryDir home;
        const auto path = [&](QString p) { return p.replace(u'~', home.path()); };
        const QString program = path(u"~/opt"_qs), expected = work.isEmpty() ? program : path(work);
        const QString beside = program + u"/FOO.mdb"_qs, empty = program + u"/empty.mdb"_qs;
        const QString documents = onWindows()
                                      ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                                      : path(u"~/ドキュメント"_qs);
        const QString outputs = installed ? documents + u"/ZTADRCNV"_qs : program;
        // The test's own, on Windows in the user's real documents: gone after it.
        const bool hadOutputs = QFileInfo::exists(outputs);
        const auto removeOutputs = qScopeGuard([&] {
            if (installed && !hadOutputs) {
                QDir(outputs).removeRecursively();
            }
        });
        makeCopy(setup, home.path(), expected);
        const QByteArray besideBefore = fileBytes(beside), emptyBefore = fileBytes(empty);
        const QString lock = setup.contains(u'D') ? beside : program;
        const auto permissions = QFile::permissions(lock);
        QFile::setPermissions(lock, locked ? QFile::ReadOwner | QFile::ExeOwner : permissions);
        const auto unlock = qScopeGuard([&] { QFile::setPermissions(lock, permissions); });
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", path(u"~/cfg"_qs).toUtf8());
        qputenv("XDG_DATA_HOME", path(xdg).toUtf8());
        setEnvironment("LOCALAPPDATA", QDir::toNativeSeparators(path(xdg)));
        std::unique_ptr<zt::Database> db = ZTAdrM1::OpenWorkingDatabase(program, u"FOO"_qs);
        const bool moved = box.startsWith(u'i');
        QCOMPARE(fileBytes(beside), moved ? QByteArray("<missing>") : besideBefore);
        QCOMPARE(boxes(),
                 box.isEmpty()
                     ? QStringList()
                     : QStringList{u"Norrik!アドレス帳移行支援|"_qs +
                                   QDir::toNativeSeparators(path(box.left(2) + u"Ok|"_qs + box.mid(2)))});
        // No half-made copy is left, whatever happened.
        QCOMPARE(QDir(expected).entryList({u".*"_qs}, QDir::Files | QDir::Hidden), QStringList());
        if (db) {
            QCOMPARE(QDir::currentPath(), expected);
            QCOMPARE(ZTAdrM1::OutPath, outputs);
            QCOMPARE(ZTAdrM1::HelpFilePath(), program + u"/FOO.hlp"_qs);
            QCOMPARE(queryRows(*db, u"SELECT 名前 FROM アドレス情報"_qs),
                     !installed || moved ? QStringList{u"kept"_qs} : QStringList());
            const auto mode = [](const QString& p) {
                struct stat st {};
                return ::stat(QFile::encodeName(p).constData(), &st) == 0
                           ? QString::number(st.st_mode & 0777, 8)
                           : u"none"_qs;
            };
            if (!modes.isEmpty() && !onWindows()) {
                QCOMPARE(QStringList({mode(expected), mode(ZTAdrM1::DbPath), mode(outputs)}).join(u' '),
                         modes);
            }
            db->Execute(u"INSERT INTO アドレス情報 (名前) VALUES ('imported')"_qs);
            QVERIFY(run(qobject_cast<JobWindow*>(
                ZTAdrM1::JobWindows(*db, ZTAdrM1::OutPath).value(u"ZTAdrF02"_qs)())));
            QVERIFY(QFileInfo::exists(outputs + u"/ZTAdrF02.txt"_qs));
        }
        QCOMPARE(fileBytes(empty), emptyBefore);
    }

    // On Windows: a portable copy in a folder that takes no new files (Wine
    // shows Linux's /sys as Z:\sys, which not even root may write), and an
    // installed copy's folders, %LOCALAPPDATA%\ztadrcnv and Documents\ZTADRCNV.
    void windowsFolders() {
        if (!onWindows()) {
            QSKIP("Windows only");
        }
        if (QFileInfo(u"Z:/sys"_qs).isDir()) {
            QVERIFY(!ZTAdrM1::OpenWorkingDatabase(u"Z:/sys"_qs, u"FOO"_qs));
            QCOMPARE(
                boxes().value(0).section(u"\r\n"_qs, 0, 0),
                u"Norrik!アドレス帳移行支援|x|Ok|作業用フォルダ Z:\\sys は読み取り専用のため、書き込めません。"_qs);
            zt::MessageBox::clearShown();
        }
        QTemporaryDir home;
        const QString program = home.filePath(u"Program Files/ZTADRCNV"_qs);
        QVERIFY(QDir().mkpath(program));
        zt::Database::create(program + u"/empty.mdb"_qs);
        setEnvironment("LOCALAPPDATA", QDir::toNativeSeparators(home.filePath(u"AppData/Local"_qs)));
        const QString outputs =
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + u"/ZTADRCNV"_qs;
        const bool hadOutputs = QFileInfo::exists(outputs);
        const auto removeOutputs = qScopeGuard([&] {
            if (!hadOutputs) {
                QDir(outputs).removeRecursively();
            }
        });
        const std::unique_ptr<zt::Database> db = ZTAdrM1::OpenWorkingDatabase(program, u"ZTADRCNV"_qs);
        QVERIFY(db);
        QCOMPARE(boxes(), QStringList());
        QCOMPARE(ZTAdrM1::DbPath, home.filePath(u"AppData/Local/ztadrcnv/ZTADRCNV.mdb"_qs));
        QCOMPARE(fileBytes(ZTAdrM1::DbPath), fileBytes(program + u"/empty.mdb"_qs));
        QCOMPARE(ZTAdrM1::OutPath, outputs);
        QVERIFY(QFileInfo(outputs).isDir());
        QCOMPARE(QDir(program).entryList(QDir::Files), QStringList{u"empty.mdb"_qs});
    }

    // The buttons show their number as access key and line up in one column.
    void captions() {
        QCOMPARE(menu->windowTitle(), u"ZTAdrF00：Norrik!アドレス帳移行支援 Ver.1.00.01"_qs);
        const QStringList captions =
            u"アドレス帳データを取り込み|CSV 出力|vCard 出力|Outlook 用 CSV 出力|"
            u"EdMax アドレス帳作成|鶴亀アドレス帳作成|Thunderbird 用 LDIF 出力|"
            u"Google 用 CSV 出力|人物一覧"_qs.split(u'|');
        for (int i = 1; i <= captions.size(); ++i) {
            const auto* button = menu->findChild<QPushButton*>(u"Command%1"_qs.arg(i));
            QCOMPARE(button, menu->Command(i));
            QVERIFY(button->isVisible());
            const QString caption = u"(&%1)"_qs.arg(i) + captions[i - 1];
            QVERIFY(button->text().startsWith(caption));
            // 43 cells of the fixed-pitch font, a CP932 byte each, and the "&";
            // ideographic spaces, and a half-width one for an odd remainder.
            QCOMPARE(zt::cp932::encode(button->text()).size(), 44);
            QString padding = button->text().mid(caption.size());
            padding.chop(padding.endsWith(u' ') ? 1 : 0);
            QCOMPARE(padding, QString(padding.size(), QChar(0x3000)));
        }
    }

    // Below the buttons the menu says what the working database holds: the
    // hint before the first import, then the counts, when and from where; an
    // older file, upgraded, kept only what gives the counts. It is read when
    // the menu opens and again when the import window has gone, and shown
    // whole, the window as deep as its lines need.
    void summary_data() {
        QTest::addColumn<QString>("setup");  // "import <folder>" through the window, or rows then upgrade
        QTest::addColumn<QString>("shown");  // {root}: where the test's books are
        const QString hint = u"最初に(1)でデータを取り込んでください。"_qs;
        QTest::newRow("before the first import") << QString() << hint;
        QTest::newRow("after an import")
            << u"import AddrBook/picked"_qs
            << u"取込済み：2 人（カード 2 枚、グループ 2 個）\n取込日時：2024/04/01 09:00\n取込元：{root}/AddrBook/picked"_qs;
        // Two cards of one person and one of another; a group counted once
        // however many memberships name it, the empty one not at all.
        QTest::newRow("an older file, upgraded")
            << u"rows"_qs << u"取込済み：2 人（カード 3 枚、グループ 1 個）"_qs;
    }
    void summary() {
        QFETCH(QString, setup);
        QFETCH(QString, shown);
        const QString root = testData(QString()).chopped(1);
        if (setup == u"rows"_qs) {
            work->person("G", u"n"_qs, u"a"_qs, "c", "", "");
            work->person("G", u"n"_qs, u"a"_qs, "c", "", "");
            work->member("", "x", "y");
            work->entry("m", "b", "", "", "");
            makeVersion2(*work->db);
            work->db = zt::openWorkingDatabase(work->db->path());
        }
        menu =
            std::make_unique<ZTAdrF00>(ZTAdrM1::JobWindows(*work->db, work->outDir()), *work->db, QString());
        show(menu.get());
        if (setup.startsWith(u"import "_qs)) {
            QCOMPARE(menu->Label1->text(), u"最初に(1)でデータを取り込んでください。"_qs);
            zt::setImportReportTesting(true);
            zt::MessageBox::setNextAnswer(zt::MessageBox::Answer::Yes);
            zt::FolderDialog::setNextFolder(root + u'/' + setup.mid(7));
            QTest::mouseClick(menu->Command(1), Qt::LeftButton);
            QVERIFY(run(qobject_cast<JobWindow*>(jobs(u"ZTAdrF01"_qs).value(0))));
        }
        // The folder is shown as the system writes paths, the date as it is.
        const qsizetype from = shown.indexOf(u"取込元："_qs);
        if (from >= 0) {
            shown =
                shown.first(from) + QDir::toNativeSeparators(shown.sliced(from).replace(u"{root}"_qs, root));
        }
        QCOMPARE(menu->Label1->text(), shown);
        // Whole, and inside the window: every character painted, on lines the label is deep enough for.
        QCOMPARE(menu->Label1->displayLines().join(QString()), QString(shown).remove(u'\n'));
        const int lines = menu->Label1->heightForWidth(menu->Label1->width());
        QCOMPARE(menu->Label1->height(), std::max(lines, JobWindow::px(200)));
        QCOMPARE(menu->height(), JobWindow::px(6795) + menu->Label1->height() - JobWindow::px(200));
        QVERIFY(menu->rect().contains(menu->Label1->geometry()));
    }

    // Button 9 opens the list of the people, with the working database's people in it.
    void peopleListOnNine() {
        work->person("G", u"山田 太郎"_qs, u"taro@example.jp"_qs, "", "", "");
        QTest::mouseClick(menu->Command(9), Qt::LeftButton);
        auto* list = qobject_cast<ZTAdrF09*>(jobs(u"ZTAdrF09"_qs).value(0));
        QVERIFY(list);
        QTRY_COMPARE(list->Count->text(), u"1 人中 1 人を表示"_qs);
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
            QTest::mouseClick(menu->Command(1), Qt::LeftButton);
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
        QTest::mouseClick(menu->Command(2), Qt::LeftButton);
        QPointer<QWidget> first = jobs(u"ZTAdrF02"_qs).value(0);
        QVERIFY(first && QTest::qWaitForWindowActive(first));
        QVERIFY(activateMenu());
        QTest::mouseClick(menu->Command(2), Qt::LeftButton);
        QCOMPARE(jobs(u"ZTAdrF02"_qs), QList<QWidget*>{first});
        QTRY_COMPARE(QApplication::activeWindow(), first.data());

        first->close();
        QTest::mouseClick(menu->Command(2), Qt::LeftButton);
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
        QTest::mouseClick(menu->Command(7), Qt::LeftButton);
        QTest::mouseClick(menu->Command(2), Qt::LeftButton);
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
