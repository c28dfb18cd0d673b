// What every writer promises about the file itself, whatever its format:
// an existing file is replaced, an empty database gives an empty file, and a
// run that fails leaves the earlier file as it was and nothing beside it.
#include <sqlite3.h>

#include <QtTest>

#include "export/csv_writer.h"
#include "export/edmax_writer.h"
#include "export/tsurukame_writer.h"
#include "export_fixture.h"
#include "platform/error.h"

enum class Writer { Csv, EdMax, Tsurukame };
Q_DECLARE_METATYPE(Writer)

namespace {

void run(Writer writer, zt::Database& db, const QString& path) {
    switch (writer) {
        case Writer::Csv:
            zt::writeCsv(db, path);
            break;
        case Writer::EdMax:
            zt::writeEdMax(db, path, u'1');
            break;
        case Writer::Tsurukame:
            zt::writeTsurukame(db, path, u'1');
            break;
    }
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

}  // namespace

class TestExportFiles : public QObject {
    Q_OBJECT
private slots:
    void emptyDatabaseReplacesOldFile_data();
    void emptyDatabaseReplacesOldFile();
    void failureKeepsOldFile_data();
    void failureKeepsOldFile();
    void unwritableTarget_data();
    void unwritableTarget();
};

void TestExportFiles::emptyDatabaseReplacesOldFile_data() {
    QTest::addColumn<Writer>("writer");
    QTest::newRow("CSV") << Writer::Csv;
    QTest::newRow("EdMax") << Writer::EdMax;
    QTest::newRow("Tsurukame") << Writer::Tsurukame;
}

void TestExportFiles::emptyDatabaseReplacesOldFile() {
    QFETCH(Writer, writer);
    WorkDb w;
    writeFile(w.out("book.txt"), "an earlier run\r\n");

    run(writer, *w.db, w.out("book.txt"));

    QCOMPARE(fileBytes(w.out("book.txt")), QByteArray(""));
    QCOMPARE(w.outFiles(), QStringList{"book.txt"});
}

void TestExportFiles::failureKeepsOldFile_data() {
    QTest::addColumn<Writer>("writer");
    QTest::addColumn<QByteArray>("sabotage");
    // The EdMax group pass succeeds before its entry pass fails: a partly
    // written file must not replace the old one.
    for (const char* sql : {"DROP VIEW 出力情報", "DROP TABLE グループ情報"}) {
        QTest::newRow(qPrintable(QStringLiteral("CSV, ") + sql)) << Writer::Csv << QByteArray(sql);
        QTest::newRow(qPrintable(QStringLiteral("EdMax, ") + sql)) << Writer::EdMax << QByteArray(sql);
        QTest::newRow(qPrintable(QStringLiteral("Tsurukame, ") + sql))
            << Writer::Tsurukame << QByteArray(sql);
    }
}

void TestExportFiles::failureKeepsOldFile() {
    QFETCH(Writer, writer);
    QFETCH(QByteArray, sabotage);
    WorkDb w;
    w.person(QString("G"), "n", "a", QString("c"), QString("d"), QString("t"));
    writeFile(w.out("book.txt"), "an earlier run\r\n");
    QCOMPARE(sqlite3_exec(w.db->handle(), sabotage.constData(), nullptr, nullptr, nullptr), SQLITE_OK);

    QVERIFY_THROWS_EXCEPTION(zt::Error, run(writer, *w.db, w.out("book.txt")));

    QCOMPARE(fileBytes(w.out("book.txt")), QByteArray("an earlier run\r\n"));
    QCOMPARE(w.outFiles(), QStringList{"book.txt"});
}

void TestExportFiles::unwritableTarget_data() {
    QTest::addColumn<Writer>("writer");
    QTest::addColumn<QString>("target");  // relative to the output folder
    for (const QString& target : {QStringLiteral("missing/book.txt"), QStringLiteral("folder")}) {
        QTest::newRow(qPrintable("CSV, " + target)) << Writer::Csv << target;
        QTest::newRow(qPrintable("EdMax, " + target)) << Writer::EdMax << target;
        QTest::newRow(qPrintable("Tsurukame, " + target)) << Writer::Tsurukame << target;
    }
}

void TestExportFiles::unwritableTarget() {
    QFETCH(Writer, writer);
    QFETCH(QString, target);
    WorkDb w;
    w.person(QString("G"), "n", "a", QString("c"), QString("d"), QString("t"));
    QVERIFY(QDir(w.outDir()).mkdir("folder"));

    QVERIFY_THROWS_EXCEPTION(zt::Error, run(writer, *w.db, w.out(target)));

    QCOMPARE(w.outFiles(), QStringList{"folder"});
    QVERIFY(QDir(w.out("folder")).isEmpty());
}

QTEST_GUILESS_MAIN(TestExportFiles)
#include "tst_export_files.moc"
