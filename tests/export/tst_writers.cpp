// The four writers: worked examples byte for byte against files under
// tests/data, the memo and remarks layouts, the vCard's escaping and folding,
// and what every writer promises about the file itself.
#include <QtTest>

#include "export/csv_writer.h"
#include "export/edmax_writer.h"
#include "export/tsurukame_writer.h"
#include "export/vcard_writer.h"
#include "platform/error.h"
#include "test_support.h"

enum class Writer { Csv, EdMax, Tsurukame, VCard };
Q_DECLARE_METATYPE(Writer)

namespace {

void run(Writer writer, zt::Database& db, const QString& path, QChar choice) {
    switch (writer) {
        case Writer::Csv:
            return zt::writeCsv(db, path);
        case Writer::EdMax:
            return zt::writeEdMax(db, path, choice);
        case Writer::Tsurukame:
            return zt::writeTsurukame(db, path, choice, [] { return QDate(2024, 4, 1); });
        case Writer::VCard:
            return zt::writeVCard(db, path);
    }
}

// tests/data/<name>.rows, UTF-8, one stored row a line, "|" between fields and
// "∅" for NULL: group|name|address|company|department|title is a card as the
// import stores it; group|name|address a membership alone.
void storeRows(WorkDb& w, const QString& name) {
    const QStringList lines = QString::fromUtf8(fileBytes(testData(name + u".rows"_qs))).split(u'\n');
    for (const QString& line : lines) {
        QList<zt::FieldValue> f;
        for (const QString& field : line.split(u'|')) {
            f << (field == u"∅"_qs ? kNull : zt::FieldValue(field));
        }
        if (f.size() == 3) {
            w.member(f[0], f[1], f[2]);
        } else if (f.size() == 6) {
            w.person(f[0], *f[1], *f[2], f[3], f[4], f[5]);
        }
    }
}

const QByteArray kOldRun("an earlier run\r\n");

}  // namespace

class TestWriters : public QObject {
    Q_OBJECT
private slots:
    void workedExamples_data() {
        QTest::addColumn<Writer>("writer");
        QTest::addColumn<QChar>("choice");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("expected");
        QTest::newRow("CSV") << Writer::Csv << QChar() << "csv_worked_example"
                             << "csv_worked_example.txt";
        QTest::newRow("EdMax layout 5") << Writer::EdMax << QChar('5') << "edmax_worked_example"
                                        << "edmax_worked_example.adr";
        QTest::newRow("Tsurukame choice 1") << Writer::Tsurukame << QChar('1') << "tsurukame_worked_example"
                                            << "tsurukame_worked_example.txt";
        // One card per person, the groups of rows far apart merged.
        QTest::newRow("vCard") << Writer::VCard << QChar() << "vcard_worked_example"
                               << "vcard_worked_example.vcf";
        // A group that leads to no entry keeps its record or heading; a quote
        // in a group name is data, not SQL.
        QTest::newRow("EdMax groups without entries")
            << Writer::EdMax << QChar('4') << "groups_without_entries"
            << "groups_without_entries.adr";
        QTest::newRow("Tsurukame groups without entries")
            << Writer::Tsurukame << QChar('5') << "groups_without_entries"
            << "groups_without_entries.txt";
    }

    void workedExamples() {
        QFETCH(Writer, writer);
        QFETCH(QChar, choice);
        QFETCH(QString, rows);
        QFETCH(QString, expected);
        WorkDb w;
        storeRows(w, rows);
        run(writer, *w.db, w.out("out"), choice);
        QCOMPARE(fileBytes(w.out("out")), fileBytes(testData(expected)));
    }

    // One entry "n", "a" in no group; `tail` is what follows "n<TAB><TAB>\r\na\r\n"
    // (EdMax) or "n,a,2024/04/01" (Tsurukame, before the CR LF).
    void layouts_data() {
        QTest::addColumn<Writer>("writer");
        QTest::addColumn<QChar>("choice");
        QTest::addColumn<zt::FieldValue>("company");
        QTest::addColumn<zt::FieldValue>("department");
        QTest::addColumn<zt::FieldValue>("title");
        QTest::addColumn<QByteArray>("tail");
        const zt::FieldValue c("C"), d("D"), t("T"), empty(""), blank(" ");
        const Writer e = Writer::EdMax, k = Writer::Tsurukame;
        QTest::newRow("EdMax 1, NULL as empty")
            << e << QChar('1') << kNull << kNull << kNull << QByteArray("\t\t\r\n");
        QTest::newRow("EdMax 2") << e << QChar('2') << c << empty << t << QByteArray("C\t\r\n");
        QTest::newRow("EdMax 3") << e << QChar('3') << c << d << t << QByteArray("C\tT\r\n");
        QTest::newRow("EdMax 4, TAB and comma kept")
            << e << QChar('4') << zt::FieldValue("A\tB, Inc.") << d << t << QByteArray("A\tB, Inc.\r\n");
        QTest::newRow("EdMax 5, a title brings its department")
            << e << QChar('5') << c << empty << t << QByteArray("C,,T\r\n");
        QTest::newRow("EdMax 5, a blank title is a title")
            << e << QChar('5') << c << empty << blank << QByteArray("C,, \r\n");
        QTest::newRow("EdMax 6, empty company keeps its place")
            << e << QChar('6') << empty << d << t << QByteArray(",D\r\n");
        QTest::newRow("EdMax 7") << e << QChar('7') << c << d << t << QByteArray("C,T\r\n");
        QTest::newRow("EdMax 8, empty memo line") << e << QChar('8') << c << d << t << QByteArray("\r\n");
        QTest::newRow("EdMax no choice, no memo line") << e << QChar() << c << d << t << QByteArray();
        QTest::newRow("Tsurukame 1, NULL department")
            << k << QChar('1') << c << kNull << t << QByteArray(",C,,T");
        QTest::newRow("Tsurukame 1, NULL title") << k << QChar('1') << c << d << kNull << QByteArray(",C,D");
        QTest::newRow("Tsurukame 2 ignores the title")
            << k << QChar('2') << c << empty << t << QByteArray(",C");
        QTest::newRow("Tsurukame 3 ignores the department")
            << k << QChar('3') << c << d << empty << QByteArray(",C");
        QTest::newRow("Tsurukame 4, empty company") << k << QChar('4') << empty << d << t << QByteArray(",");
        QTest::newRow("Tsurukame 5") << k << QChar('5') << c << d << t << QByteArray();
        QTest::newRow("Tsurukame no choice") << k << QChar() << c << d << t << QByteArray();
    }

    void layouts() {
        QFETCH(Writer, writer);
        QFETCH(QChar, choice);
        QFETCH(zt::FieldValue, company);
        QFETCH(zt::FieldValue, department);
        QFETCH(zt::FieldValue, title);
        QFETCH(QByteArray, tail);
        WorkDb w;
        w.entry("n", "a", company, department, title);
        run(writer, *w.db, w.out("out"), choice);
        QCOMPARE(fileBytes(w.out("out")),
                 writer == Writer::EdMax ? "n\t\t\r\na\r\n" + tail : "n,a,2024/04/01" + tail + "\r\n");
    }

    // One person in group `group` (none when NULL); `lines` are the card's
    // lines between VERSION and END.
    void vCards_data() {
        QTest::addColumn<zt::FieldValue>("group");
        QTest::addColumn<zt::FieldValue>("name");
        QTest::addColumn<zt::FieldValue>("address");
        QTest::addColumn<zt::FieldValue>("company");
        QTest::addColumn<zt::FieldValue>("department");
        QTest::addColumn<zt::FieldValue>("title");
        QTest::addColumn<QStringList>("lines");
        using V = zt::FieldValue;
        QTest::newRow("special characters")
            << V("x,y") << V("a\\b,c;d") << V("a@x") << V("A,B;C") << V("部") << V("課長")
            << QStringList{"FN:a\\\\b\\,c\\;d", "N:a\\\\b\\,c\\;d;;;;", "EMAIL;TYPE=INTERNET:a@x",
                           "ORG:A\\,B\\;C;部",  "TITLE:課長",           "CATEGORIES:x\\,y"};
        QTest::newRow("line breaks, no address")
            << kNull << V("n") << V("") << V("1\r\r\n2") << V("") << V("a\r\nb\nc\rd")
            << QStringList{"FN:n", "N:n;;;;", "ORG:1\\n\\n2", "TITLE:a\\nb\\nc\\nd"};
        QTest::newRow("no name, department only")
            << kNull << kNull << V("x@x") << kNull << V("営業部") << kNull
            << QStringList{"FN:x@x", "N:x@x;;;;", "EMAIL;TYPE=INTERNET:x@x", "ORG:;営業部"};
    }

    void vCards() {
        QFETCH(zt::FieldValue, group);
        QFETCH(zt::FieldValue, name);
        QFETCH(zt::FieldValue, address);
        QFETCH(zt::FieldValue, company);
        QFETCH(zt::FieldValue, department);
        QFETCH(zt::FieldValue, title);
        QFETCH(QStringList, lines);
        WorkDb w;
        if (group) {
            w.member(group, name, address);
        }
        w.entry(name, address, company, department, title);
        zt::writeVCard(*w.db, w.out("out"));
        QCOMPARE(fileBytes(w.out("out")),
                 ("BEGIN:VCARD\r\nVERSION:3.0\r\n" + lines.join(u"\r\n"_qs) + "\r\nEND:VCARD\r\n").toUtf8());
    }

    void emptyDatabaseReplacesOldFile_data() {
        QTest::addColumn<Writer>("writer");
        QTest::newRow("CSV") << Writer::Csv;
        QTest::newRow("EdMax") << Writer::EdMax;
        QTest::newRow("Tsurukame") << Writer::Tsurukame;
        QTest::newRow("vCard") << Writer::VCard;
    }

    void emptyDatabaseReplacesOldFile() {
        QFETCH(Writer, writer);
        WorkDb w;
        writeFile(w.out("book.txt"), kOldRun);
        run(writer, *w.db, w.out("book.txt"), u'1');
        QCOMPARE(fileBytes(w.out("book.txt")), QByteArray(""));
        QCOMPARE(w.outFiles(), QStringList{"book.txt"});
    }

    // A run that fails part way must not put a partly written file in place
    // of the earlier one or where there was none, nor leave its temporary
    // file beside it.
    void failureKeepsOldFile_data() { emptyDatabaseReplacesOldFile_data(); }

    void failureKeepsOldFile() {
        QFETCH(Writer, writer);
        WorkDb w;
        w.person("G", "n", "a", "c", "d", "t");
        writeFile(w.out("book.txt"), kOldRun);
        w.db->Execute(u"DROP TABLE グループ情報"_qs);
        QVERIFY_THROWS_EXCEPTION(zt::Error, run(writer, *w.db, w.out("book.txt"), u'1'));
        QVERIFY_THROWS_EXCEPTION(zt::Error, run(writer, *w.db, w.out("new.txt"), u'1'));
        QCOMPARE(fileBytes(w.out("book.txt")), kOldRun);
        QCOMPARE(w.outFiles(), QStringList{"book.txt"});
    }
};

QTEST_GUILESS_MAIN(TestWriters)
#include "tst_writers.moc"
