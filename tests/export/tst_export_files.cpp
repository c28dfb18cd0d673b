// What every writer promises about the file itself, whatever its format: an
// existing file is replaced, an empty database gives an empty file, and a run
// that fails leaves the earlier file as it was and nothing beside it.

#include <QtTest>

#include "export/csv_writer.h"
#include "export/edmax_writer.h"
#include "export/tsurukame_writer.h"
#include "platform/error.h"
#include "test_support.h"

enum class Writer { Csv, EdMax, Tsurukame };
Q_DECLARE_METATYPE(Writer)

namespace {

void run(Writer writer, zt::Database& db, const QString& path) {
    switch (writer) {
        case Writer::Csv:
            return zt::writeCsv(db, path);
        case Writer::EdMax:
            return zt::writeEdMax(db, path, u'1');
        case Writer::Tsurukame:
            return zt::writeTsurukame(db, path, u'1');
    }
}

const QByteArray kOldRun("an earlier run\r\n");

}  // namespace

class TestExportFiles : public QObject {
    Q_OBJECT
private slots:
    void emptyDatabaseReplacesOldFile_data() {
        QTest::addColumn<Writer>("writer");
        QTest::newRow("CSV") << Writer::Csv;
        QTest::newRow("EdMax") << Writer::EdMax;
        QTest::newRow("Tsurukame") << Writer::Tsurukame;
    }

    void emptyDatabaseReplacesOldFile() {
        QFETCH(Writer, writer);
        WorkDb w;
        writeFile(w.out("book.txt"), kOldRun);

        run(writer, *w.db, w.out("book.txt"));

        QCOMPARE(fileBytes(w.out("book.txt")), QByteArray(""));
        QCOMPARE(w.outFiles(), QStringList{"book.txt"});
    }

    // A failing run must not put a partly written file in place of the earlier one.
    void failureKeepsOldFile_data() { emptyDatabaseReplacesOldFile_data(); }

    void failureKeepsOldFile() {
        QFETCH(Writer, writer);
        WorkDb w;
        w.person("G", "n", "a", "c", "d", "t");
        writeFile(w.out("book.txt"), kOldRun);
        w.db->Execute(u"DROP TABLE グループ情報"_qs);

        QVERIFY_THROWS_EXCEPTION(zt::Error, run(writer, *w.db, w.out("book.txt")));

        QCOMPARE(fileBytes(w.out("book.txt")), kOldRun);
        QCOMPARE(w.outFiles(), QStringList{"book.txt"});
    }
};

QTEST_GUILESS_MAIN(TestExportFiles)
#include "tst_export_files.moc"
