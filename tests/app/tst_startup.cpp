#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include "app/startup.h"
#include "db/database.h"
#include "platform/message_box.h"
#include "platform/test_seams.h"
#include "shell/app_state.h"
#include "test_support.h"

class TestStartup : public QObject {
    Q_OBJECT

    QString startDir;

private slots:
    void initTestCase() { startDir = QDir::currentPath(); }
    void init() { zt::enableTestSeams(); }
    void cleanup() { QDir::setCurrent(startDir); }

    // The program works in its own folder, whichever folder it was started
    // from, and opens the database named after the executable.
    void opensTheDatabaseBesideTheExecutable_data() {
        QTest::addColumn<QString>("baseName");
        QTest::newRow("shipped name") << "ZTADRCNV";
        QTest::newRow("renamed executable") << "FOO";
    }
    void opensTheDatabaseBesideTheExecutable() {
        QFETCH(QString, baseName);
        QTemporaryDir program;
        QTemporaryDir elsewhere;
        QVERIFY(program.isValid() && elsewhere.isValid());
        zt::Database::create(program.filePath(baseName + u".mdb"_qs));
        QVERIFY(QDir::setCurrent(elsewhere.path()));

        std::unique_ptr<zt::Database> db = ZTAdrM1::OpenWorkingDatabase(program.path(), baseName);
        QVERIFY(db);
        QCOMPARE(ZTAdrM1::Db, db.get());
        QCOMPARE(ZTAdrM1::AppPath, program.path());
        QCOMPARE(ZTAdrM1::HelpFilePath(), program.filePath(baseName + u".hlp"_qs));
        QCOMPARE(QDir(QDir::currentPath()).canonicalPath(), QDir(program.path()).canonicalPath());
        QVERIFY(zt::MessageBox::shown().isEmpty());
    }

    // A database that cannot be used stops start-up with what happened to
    // which file, then the engine's text, and is left exactly as it was: the
    // program never makes or mends one.
    void refusesAnUnusableDatabase_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");  // %1: the path
        QTest::newRow("missing") << "missing"
                                 << "作業用データベース %1 を開けません。\r\nunable to open database file";
        QTest::newRow("random bytes")
            << "random"
            << "%1 は作業用データベースではないか、壊れています。\r\nfile is not a database";
        QTest::newRow("incomplete database")
            << "foreign"
            << "%1 は作業用データベースではないか、壊れています。\r\nno such table: 出力情報";
    }
    void refusesAnUnusableDatabase() {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QTemporaryDir program;
        QVERIFY(program.isValid());
        const QString path = program.filePath(u"ZTADRCNV.mdb"_qs);
        if (kind == u"random"_qs) {
            QByteArray noise(8192, Qt::Uninitialized);
            QRandomGenerator rng(20240601);
            for (char& c : noise) {
                c = char(rng.bounded(256));
            }
            writeFile(path, noise);
        } else if (kind == u"foreign"_qs) {
            zt::Database::create(path);
            zt::Database::open(path)->Execute(u"DROP VIEW 出力情報"_qs);
        }
        const bool existed = QFileInfo::exists(path);
        const QByteArray before = fileBytes(path);

        std::unique_ptr<zt::Database> db = ZTAdrM1::OpenWorkingDatabase(program.path(), u"ZTADRCNV"_qs);
        QVERIFY(!db);
        QCOMPARE(ZTAdrM1::Db, nullptr);
        QCOMPARE(zt::MessageBox::shown().size(), 1);
        const zt::MessageBox::Shown box = zt::MessageBox::shown().first();
        QCOMPARE(box.icon, zt::MessageBox::Icon::Critical);
        QCOMPARE(box.text, message.arg(path));
        QCOMPARE(QFileInfo::exists(path), existed);
        QCOMPARE(fileBytes(path), before);
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
