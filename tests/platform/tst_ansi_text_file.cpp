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

        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
        QTest::newRow("LF") << QByteArray("a\nb\n") << QStringList{"a", "b"};
        QTest::newRow("lone CR") << QByteArray("a\rb\r") << QStringList{"a", "b"};
        QTest::newRow("CR CR LF") << QByteArray("a\r\r\nb") << QStringList{"a", "", "b"};
        QTest::newRow("no final line end") << QByteArray("a\r\nb") << QStringList{"a", "b"};
        QTest::newRow("empty file") << QByteArray() << QStringList{};
        QTest::newRow("only a line end") << QByteArray("\r\n") << QStringList{""};
        QTest::newRow("NUL bytes") << QByteArray("a\0b\r\n\0", 6)
                                   << QStringList{QString::fromUtf16(u"a\0b", 3), QString(QChar(0))};
        QTest::newRow("lead byte before CR LF") << QByteArray("\x82\r\nx") << QStringList{"\uFFFD", "x"};
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

    void commitReplacesOldFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath("out.txt");
        writeFile(path, "old\r\n");
        zt::AnsiTextWriter writer(path);
        for (const char16_t* line : {u"ABC", u"㈱髙①", u"", u"ｱ\\~", u"\U0001F600"}) {
            writer.writeLine(QString::fromUtf16(line));
        }
        QCOMPARE(fileBytes(path), QByteArray("old\r\n"));
        writer.commit();
        QCOMPARE(fileBytes(path), QByteArray("ABC\r\n\x87\x8A\xFB\xFC\x87\x40\r\n\r\n\xB1\\~\r\n?\r\n"));
        QCOMPARE(dirEntries(dir.path()), QStringList{"out.txt"});
        QVERIFY_THROWS_EXCEPTION(zt::Error, writer.writeLine(u"late"));
    }

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
