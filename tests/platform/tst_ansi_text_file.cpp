#include <QtTest>

#include "platform/ansi_text_file.h"
#include "platform/error.h"
#include "test_support.h"

class TestAnsiTextFile : public QObject {
    Q_OBJECT

private slots:
    void readLines_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("mixed line ends, none at the end")
            << QByteArray("a\r\nb\nc\rd\r\r\ne") << QStringList{"a", "b", "c", "d", "", "e"};
        QTest::newRow("only a line end") << QByteArray("\r\n") << QStringList{""};
        QTest::newRow("NUL bytes, lead byte before CR LF")
            << QByteArray("a\0b\x82\r\n\0", 7)
            << QStringList{QString::fromUtf16(u"a\0b\uFFFD", 4), QString(QChar(0))};
    }

    // Each table row is read twice: from memory and from a file on disk.
    void readLines() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, expected);

        QTemporaryDir dir;
        const QString path = dir.filePath("in.txt");
        writeFile(path, bytes);
        for (zt::AnsiTextReader reader : {zt::AnsiTextReader::fromBytes(bytes), zt::AnsiTextReader(path)}) {
            QStringList lines;
            while (!reader.atEnd()) {
                lines << reader.readLine();
            }
            QCOMPARE(lines, expected);
            QVERIFY_THROWS_EXCEPTION(zt::Error, reader.readLine());
        }
    }

    // A writer that is not committed (a run that failed) leaves an earlier
    // file as it was and no file where there was none.
    void uncommittedWriterLeavesOldFile() {
        QTemporaryDir dir;
        writeFile(dir.filePath("old.txt"), "old\r\n");
        {
            zt::AnsiTextWriter replacing(dir.filePath("old.txt"));
            zt::AnsiTextWriter creating(dir.filePath("new.txt"));
            for (int i = 0; i < 50000; ++i) {
                replacing.writeLine(u"line");
                creating.writeLine(u"line");
            }
        }
        QCOMPARE(fileBytes(dir.filePath("old.txt")), QByteArray("old\r\n"));
        QCOMPARE(dirEntries(dir.path()), QStringList{"old.txt"});
    }
};

QTEST_GUILESS_MAIN(TestAnsiTextFile)
#include "tst_ansi_text_file.moc"
