// The writers against their golden files under tests/data, and what each
// promises about the file itself.
#include "formats/csv_writer.h"
#include "formats/edmax_writer.h"
#include "formats/loss_report.h"
#include "formats/tsurukame_writer.h"
#include "formats/vcard_writer.h"
#include "people/people_reader.h"
#include "platform/error.h"
#include "test_support.h"

enum class Writer { Csv, EdMax, Tsurukame, VCard };
Q_DECLARE_METATYPE(Writer)

namespace {

qsizetype write(Writer writer, zt::Database& db, const QString& path, QChar choice) {
    switch (writer) {
        case Writer::Csv:
            return zt::writeCsv(db, path);
        case Writer::EdMax:
            return zt::writeEdMax(db, path, choice);
        case Writer::Tsurukame:
            return zt::writeTsurukame(db, path, choice, [] { return QDate(2024, 4, 1); });
        case Writer::VCard:
            return zt::writeVCard(zt::peopleOf(db), path);
    }
    return 0;
}

const QByteArray kOldRun("an earlier run\r\n");

}  // namespace

class TestWriters : public QObject {
    Q_OBJECT
private slots:
    // The loss reports are dated as their golden files are.
    void init() { zt::LossReport::setTesting(true); }

    // Each golden file is the row's name; the rows come from tests/data/<rows>.rows.
    void workedExamples_data() {
        QTest::addColumn<Writer>("writer");
        QTest::addColumn<QChar>("choice");
        QTest::addColumn<QString>("rows");
        QTest::newRow("csv_worked_example.txt") << Writer::Csv << QChar() << "csv_worked_example";
        QTest::newRow("edmax_worked_example.adr") << Writer::EdMax << QChar('5') << "edmax_worked_example";
        QTest::newRow("tsurukame_worked_example.txt")
            << Writer::Tsurukame << QChar('1') << "tsurukame_worked_example";
        // Escaping in every value but the separators, every kind of line
        // break; folding past 75 octets, never inside a UTF-8 sequence.
        for (const char* rows : {"vcard_escaping", "vcard_folding"}) {
            QTest::addRow("%s.vcf", rows) << Writer::VCard << QChar() << rows;
        }
        // Each memo layout and remarks choice on the same awkward people.
        for (char layout = '1'; layout <= '8'; ++layout) {
            QTest::addRow("edmax_layout_%c.adr", layout) << Writer::EdMax << QChar(layout) << "layouts";
        }
        QTest::newRow("edmax_no_layout.adr") << Writer::EdMax << QChar() << "layouts";
        for (char choice = '1'; choice <= '5'; ++choice) {
            QTest::addRow("tsurukame_choice_%c.txt", choice)
                << Writer::Tsurukame << QChar(choice) << "layouts";
        }
        // Bytes as ever, "?" where CP932 has no code; the report beside them
        // names each person and field that lost something.
        QTest::newRow("cp932_losses.txt") << Writer::Csv << QChar() << "cp932_losses";
        QTest::newRow("cp932_losses.adr") << Writer::EdMax << QChar('1') << "cp932_losses";
        QTest::newRow("cp932_losses_tsurukame.txt") << Writer::Tsurukame << QChar('1') << "cp932_losses";
        // Only what the layout writes: here no title, there no department.
        QTest::newRow("cp932_losses_department.adr") << Writer::EdMax << QChar('6') << "cp932_losses";
        QTest::newRow("cp932_losses_title.txt") << Writer::Tsurukame << QChar('3') << "cp932_losses";
    }

    void workedExamples() {
        QFETCH(Writer, writer);
        QFETCH(QChar, choice);
        QFETCH(QString, rows);
        WorkDb w;
        storeRows(w, rows);
        compareOutput(w.outDir(), QString::fromUtf8(QTest::currentDataTag()),
                      [&](const QString& path) { return write(writer, *w.db, path, choice); });
    }

    // An empty database replaces an earlier file with an empty one; a run that
    // fails part way puts no partly written file in place of the earlier one
    // or where there was none, and leaves no temporary file beside it.
    void oldFile_data() {
        QTest::addColumn<Writer>("writer");
        QTest::addColumn<bool>("fails");
        const std::pair<const char*, Writer> writers[] = {{"CSV", Writer::Csv},
                                                          {"EdMax", Writer::EdMax},
                                                          {"Tsurukame", Writer::Tsurukame},
                                                          {"vCard", Writer::VCard}};
        for (const auto& [name, writer] : writers) {
            QTest::addRow("%s, empty database", name) << writer << false;
            QTest::addRow("%s, failing", name) << writer << true;
        }
    }

    void oldFile() {
        QFETCH(Writer, writer);
        QFETCH(bool, fails);
        WorkDb w;
        writeFile(w.out("book.txt"), kOldRun);
        if (fails) {
            w.person("G", "n", "a", "c", "d", "t");
            w.db->Execute(u"DROP TABLE グループ情報"_qs);
            QVERIFY_THROWS_EXCEPTION(zt::Error, write(writer, *w.db, w.out("book.txt"), u'1'));
            QVERIFY_THROWS_EXCEPTION(zt::Error, write(writer, *w.db, w.out("new.txt"), u'1'));
        } else {
            write(writer, *w.db, w.out("book.txt"), u'1');
        }
        QCOMPARE(fileBytes(w.out("book.txt")), fails ? kOldRun : QByteArray(""));
        QCOMPARE(w.outFiles(), QStringList{"book.txt"});
    }
};

QTEST_GUILESS_MAIN(TestWriters)
#include "tst_writers.moc"
