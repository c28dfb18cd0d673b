// The outputs for today's mail programs (vCard, Outlook CSV, LDIF) over the
// one reader of people: the name rule, and every file against tests/data.
#include "export/ldif_writer.h"
#include "export/outlook_csv_writer.h"
#include "export/people.h"
#include "export/vcard_writer.h"
#include "test_support.h"

using Write = qsizetype (*)(zt::Database&, const QString&);
Q_DECLARE_METATYPE(Write)

class TestPeople : public GuiTest {
    Q_OBJECT
private slots:
    void init() { reset(); }

    void nameRule_data() {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("given");
        // tests/data/name_rule.txt: tag|shown|family|given a line, \t for TAB.
        const QString table = QString::fromUtf8(fileBytes(testData(u"name_rule.txt"_qs)));
        for (const QString& line : table.split(u'\n', Qt::SkipEmptyParts)) {
            const QStringList f = QString(line).replace(u"\\t"_qs, u"\t"_qs).split(u'|');
            QCOMPARE(f.size(), 4);
            QTest::newRow(qPrintable(f[0])) << f[1] << f[2] << f[3];
        }
        // The ends of each kanji and kana range, and their neighbours outside.
        for (const char16_t c :
             {0x3040, 0x30FF, 0x3400, 0x4DBF, 0x4E00, 0x9FFF, 0xF900, 0xFAFF, 0xFF66, 0xFF9F}) {
            QTest::addRow("U+%04X family first", c) << QChar(c) + u" x"_qs << QString(QChar(c)) << u"x"_qs;
        }
        for (const char16_t c :
             {0x303F, 0x3100, 0x33FF, 0x4DC0, 0x4DFF, 0xA000, 0xF8FF, 0xFB00, 0xFF65, 0xFFA0}) {
            QTest::addRow("U+%04X given first", c) << QChar(c) + u" x"_qs << u"x"_qs << QString(QChar(c));
        }
    }
    void nameRule() {
        QFETCH(QString, shown);
        const zt::PersonName parts = zt::splitName(shown);
        QTEST(parts.family, "family");
        QTEST(parts.given, "given");
    }

    // people_hostile: every character each format must escape, a person in
    // three groups and stored twice, names missing or NULL beside empty.
    void files_data() {
        QTest::addColumn<Write>("write");
        QTest::addColumn<QString>("rows");
        const std::pair<const char*, Write> writers[] = {
            {"vcf", zt::writeVCard}, {"csv", zt::writeOutlookCsv}, {"ldif", zt::writeLdif}};
        for (const auto& [extension, write] : writers) {
            for (const char* rows :
                 {"vcard_worked_example", "csv_worked_example", "people_hostile", "people_empty"}) {
                QTest::addRow("%s.%s", rows, extension) << write << QString::fromLatin1(rows);
            }
        }
    }
    void files() {
        QFETCH(Write, write);
        QFETCH(QString, rows);
        storeRows(*work, rows);
        write(*work->db, work->out("out"));
        QCOMPARE(fileBytes(work->out("out")),
                 fileBytes(testData(QString::fromLatin1(QTest::currentDataTag()))));
    }
};

QTEST_MAIN(TestPeople)
#include "tst_people.moc"
