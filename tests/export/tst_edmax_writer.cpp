#include <QtTest>

#include "export/edmax_writer.h"
#include "test_support.h"

class TestEdMaxWriter : public QObject {
    Q_OBJECT
private slots:
    void workedExample() {
        WorkDb w;
        w.person("Work", "Kazumi Takahashi", "addr-3", "Sample Trading", "", "Manager");
        w.person("Family", "Hanako Sato", "addr-1", "", "", kNull);
        w.person(kNull, "Ken Ito", "addr-4", "", "", kNull);
        w.person("Work", "Jiro Tanaka", "addr-2", "Sample Trading", "Sales", kNull);

        zt::writeEdMax(*w.db, w.out("a.adr"), u'5');

        QCOMPARE(fileBytes(w.out("a.adr")),
                 QByteArray("Family\r\n\t\r\n\r\n"
                            "Work\r\n\t\r\n\r\n"
                            "Ken Ito\t\t\r\naddr-4\r\n\r\n"
                            "Hanako Sato\t\tFamily\r\naddr-1\r\n\r\n"
                            "Jiro Tanaka\t\tWork\r\naddr-2\r\nSample Trading,Sales\r\n"
                            "Kazumi Takahashi\t\tWork\r\naddr-3\r\nSample Trading,,Manager\r\n"));
    }

    // One entry in no group, so the file is exactly its record: the memo line (with
    // its CR LF) follows "n<TAB><TAB>" and "a"; `memo` is empty where none is written.
    void memoLayouts_data() {
        QTest::addColumn<QChar>("layout");
        QTest::addColumn<zt::FieldValue>("company");
        QTest::addColumn<zt::FieldValue>("department");
        QTest::addColumn<zt::FieldValue>("title");
        QTest::addColumn<QByteArray>("memo");
        const zt::FieldValue c("Sample Trading"), d("Sales"), t("Manager"), empty(""), blank(" ");

        QTest::newRow("1 no department")
            << QChar('1') << c << empty << t << QByteArray("Sample Trading\t\tManager\r\n");
        QTest::newRow("1 all NULL") << QChar('1') << kNull << kNull << kNull << QByteArray("\t\t\r\n");
        QTest::newRow("2") << QChar('2') << c << empty << t << QByteArray("Sample Trading\t\r\n");
        QTest::newRow("3") << QChar('3') << c << d << t << QByteArray("Sample Trading\tManager\r\n");
        QTest::newRow("4") << QChar('4') << c << d << t << QByteArray("Sample Trading\r\n");
        QTest::newRow("5 title, no department")
            << QChar('5') << c << empty << t << QByteArray("Sample Trading,,Manager\r\n");
        QTest::newRow("5 department, NULL title")
            << QChar('5') << c << d << kNull << QByteArray("Sample Trading,Sales\r\n");
        QTest::newRow("5 blank title")
            << QChar('5') << c << empty << blank << QByteArray("Sample Trading,, \r\n");
        QTest::newRow("6") << QChar('6') << c << d << t << QByteArray("Sample Trading,Sales\r\n");
        QTest::newRow("6 empty company") << QChar('6') << empty << d << t << QByteArray(",Sales\r\n");
        QTest::newRow("7") << QChar('7') << c << d << t << QByteArray("Sample Trading,Manager\r\n");
        QTest::newRow("8 empty line") << QChar('8') << c << d << t << QByteArray("\r\n");
        QTest::newRow("no choice: no memo line") << QChar() << c << d << t << QByteArray();
        QTest::newRow("TAB and comma kept")
            << QChar('4') << zt::FieldValue("A\tB, Inc.") << d << t << QByteArray("A\tB, Inc.\r\n");
    }

    void memoLayouts() {
        QFETCH(QChar, layout);
        QFETCH(zt::FieldValue, company);
        QFETCH(zt::FieldValue, department);
        QFETCH(zt::FieldValue, title);
        QFETCH(QByteArray, memo);
        WorkDb w;
        w.entry("n", "a", company, department, title);

        zt::writeEdMax(*w.db, w.out("a.adr"), layout);

        QCOMPARE(fileBytes(w.out("a.adr")), QByteArray("n\t\t\r\na\r\n") + memo);
    }

    // A membership whose entry is missing still names a group: its record is
    // written, with no entries under it.
    void groupWithoutEntries() {
        WorkDb w;
        w.member("仕事", "gone", "x");
        w.person("友人", "中村", "a4", "", "", "");

        zt::writeEdMax(*w.db, w.out("a.adr"), u'4');

        QCOMPARE(fileBytes(w.out("a.adr")), QByteArray("\x8e\x64\x8e\x96\r\n\t\r\n\r\n"
                                                       "\x97\x46\x90\x6c\r\n\t\r\n\r\n"
                                                       "\x92\x86\x91\xba\t\t\x97\x46\x90\x6c\r\na4\r\n\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestEdMaxWriter)
#include "tst_edmax_writer.moc"
