// The person writers (vCard, Outlook CSV, LDIF, Google CSV): every file of a
// book against tests/data, and what strict readers take.
#include "formats/google_csv_writer.h"
#include "formats/ldif_writer.h"
#include "formats/outlook_csv_writer.h"
#include "formats/vcard_writer.h"
#include "import/address_book_import.h"
#include "people/people_reader.h"
#include "test_support.h"

using Write = qsizetype (*)(const zt::PersonSource&, const zt::OutputTarget&);
Q_DECLARE_METATYPE(Write)

namespace {

// RFC 4180 read strictly: a quote opens a field or stands doubled inside one,
// and only CR LF outside quotes ends a record. Anything else fails the test.
QList<QStringList> strictCsv(const QString& text) {
    QList<QStringList> records{{QString()}};
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        QString& field = records.last().last();
        if (quoted) {
            if (c != u'"') {
                field += c;
            } else if (i + 1 < text.size() && text[i + 1] == u'"') {
                field += c;
                ++i;
            } else {
                quoted = false;
                if (i + 1 < text.size() && text[i + 1] != u',' && text[i + 1] != u'\r') {
                    qWarning("text after a closing quote at %lld", i);
                    return {};
                }
            }
        } else if (c == u'"' && field.isEmpty()) {
            quoted = true;
        } else if (c == u',') {
            records.last() << QString();
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            records << QStringList{QString()};
            ++i;
        } else if (c == u'"' || c == u'\r' || c == u'\n') {
            qWarning("stray quote or line break at %lld", i);
            return {};
        } else {
            field += c;
        }
    }
    if (quoted || records.last() != QStringList{QString()}) {
        return {};  // an open quote, or no CR LF after the last record
    }
    records.removeLast();
    return records;
}

}  // namespace

class TestPersonWriters : public GuiTest {
    Q_OBJECT
private slots:
    void init() { reset(); }

    void files_data() {
        QTest::addColumn<Write>("write");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("caption");  // heads the report
        const std::tuple<const char*, Write, QString> writers[] = {
            {"vcf", zt::writeVCard, u"vCard 出力"_qs},
            {"csv", zt::writeOutlookCsv, u"Outlook 用 CSV 出力"_qs},
            {"ldif", zt::writeLdif, u"Thunderbird 用 LDIF 出力"_qs},
            {"google.csv", zt::writeGoogleCsv, u"Google 用 CSV 出力"_qs}};
        for (const auto& [extension, write, caption] : writers) {
            for (const char* rows : {"vcard_worked_example", "csv_worked_example", "people_hostile",
                                     "people_empty", "full_cards"}) {
                QTest::addRow("%s.%s", rows, extension) << write << QString::fromLatin1(rows) << caption;
            }
        }
    }
    void files() {
        QFETCH(Write, write);
        QFETCH(QString, rows);
        if (const QString book = testData(u"books/"_qs + rows); QFileInfo(book).isDir()) {
            zt::importAddressBook(*work->db, book);
        } else {
            storeRows(*work, rows);
        }
        QFETCH(QString, caption);
        compareOutput(work->outDir(), QString::fromLatin1(QTest::currentDataTag()), [&](const QString& path) {
            return write(zt::peopleOf(*work->db), {path, caption, {}});
        });
    }

    // Google's CSV read back strictly: every row as wide as the header, whose
    // repeated columns the fullest person sets, and the labels are the groups.
    void googleCsvReadsBack() {
        zt::importAddressBook(*work->db, testData(u"books/full_cards"_qs));
        zt::writeGoogleCsv(zt::peopleOf(*work->db), {work->out(u"g.csv"_qs), {}, {}});
        const QList<QStringList> rows = strictCsv(QString::fromUtf8(fileBytes(work->out(u"g.csv"_qs))));
        const std::vector<zt::Person> people = zt::readPeople(*work->db);
        QCOMPARE(rows.size(), qsizetype(people.size()) + 1);
        qsizetype most = 1;
        for (const zt::Person& p : people) {
            most = std::max(most, p.postalAddresses.size());
        }
        QVERIFY(rows[0].contains(u"Address %1 - Extended Address"_qs.arg(most)));
        QVERIFY(!rows[0].contains(u"Address %1 - Label"_qs.arg(most + 1)));
        const qsizetype labels = rows[0].indexOf(u"Labels"_qs);
        for (qsizetype i = 1; i < rows.size(); ++i) {
            QCOMPARE(rows[i].size(), rows[0].size());
            QStringList groups = rows[i][labels].split(u" ::: "_qs);
            QCOMPARE(groups.takeFirst(), u"* myContacts"_qs);
            QCOMPARE(groups, people[size_t(i - 1)].groups);
        }
    }
};

QTEST_MAIN(TestPersonWriters)
#include "tst_person_writers.moc"
