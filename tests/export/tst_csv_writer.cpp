#include <QtTest>

#include "export/csv_writer.h"
#include "test_support.h"

class TestCsvWriter : public QObject {
    Q_OBJECT
private slots:
    void quoteField_data() {
        QTest::addColumn<zt::FieldValue>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("NULL") << kNull << "";
        QTest::newRow("empty") << zt::FieldValue("") << "";
        QTest::newRow("plain") << zt::FieldValue("Sales") << "Sales";
        QTest::newRow("quote only") << zt::FieldValue("\"") << "\"\"\"\"";
        QTest::newRow("quotes") << zt::FieldValue("Hanako \"Hana\" Sato") << "\"Hanako \"\"Hana\"\" Sato\"";
        QTest::newRow("comma") << zt::FieldValue("a,b") << "\"a,b\"";
        QTest::newRow("ideographic comma") << zt::FieldValue("営業部、第一課") << "営業部、第一課";
        QTest::newRow("full-width comma") << zt::FieldValue("a，b") << "a，b";
        QTest::newRow("line break") << zt::FieldValue("a\r\nb") << "a\r\nb";
    }

    void quoteField() {
        QFETCH(zt::FieldValue, value);
        QFETCH(QString, expected);
        QCOMPARE(zt::QuoteCsvField(value), expected);
    }

    void workedExample() {
        WorkDb w;
        w.person("Work", "Jiro Tanaka", "addr-2", "Sample Trading, Ltd.", "Sales", kNull);
        w.person("Family", "Hanako \"Hana\" Sato", "addr-1", "", "", kNull);
        w.person(kNull, "Ken Ito", "addr-4", "Alpha \"Beta\", Inc.", "", kNull);
        w.person("Work", "Kazumi Takahashi", "addr-3", "Sample Trading", "営業部、第一課", "Manager");

        zt::writeCsv(*w.db, w.out("ZTAdrF02.txt"));
        QCOMPARE(fileBytes(w.out("ZTAdrF02.txt")),
                 QByteArray("Work,Jiro Tanaka,addr-2,\"Sample Trading, Ltd.\",Sales,\r\n"
                            "Family,\"Hanako \"\"Hana\"\" Sato\",addr-1,,,\r\n"
                            ",Ken Ito,addr-4,\"Alpha \"\"Beta\"\", Inc.\",,\r\n"
                            "Work,Kazumi Takahashi,addr-3,Sample Trading,"
                            "\x89\x63\x8b\xc6\x95\x94\x81\x41\x91\xe6\x88\xea\x89\xdb,Manager\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestCsvWriter)
#include "tst_csv_writer.moc"
