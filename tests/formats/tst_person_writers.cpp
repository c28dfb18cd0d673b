// The person writers (vCard, Outlook CSV, LDIF, Google CSV): a person in, the
// exact lines out; and every file of a book against tests/data.
#include "formats/google_csv_writer.h"
#include "formats/ldif_writer.h"
#include "formats/outlook_csv_writer.h"
#include "formats/vcard_writer.h"
#include "import/address_book_import.h"
#include "people/people_reader.h"
#include "test_support.h"

using Write = qsizetype (*)(const zt::PersonSource&, const zt::OutputTarget&);
Q_DECLARE_METATYPE(Write)
Q_DECLARE_METATYPE(zt::Person)

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

zt::Person person(const QString& shown) {
    zt::Person p;
    p.shownName = shown;
    p.uid = QUuid(u"00000000-0000-5000-8000-000000000001"_qs);
    return p;
}

}  // namespace

class TestPersonWriters : public GuiTest {
    Q_OBJECT
private slots:
    void init() { reset(); }

    // Each row: a person, a writer, and lines that must stand in the file as
    // they are, in this order.
    void personLines_data() {
        QTest::addColumn<Write>("write");
        QTest::addColumn<zt::Person>("person");
        QTest::addColumn<QStringList>("lines");
        zt::Person ann = person(u"Ann Lee"_qs);
        ann.familyName = u"Lee"_qs;
        ann.givenName = u"Ann"_qs;
        ann.emails = {{u"ann@example.com"_qs, {}}, {u"a2@example.com"_qs, {u"HOME"_qs}}};
        ann.phones = {
            {u"03-1"_qs, {u"WORK"_qs}}, {u"090-2"_qs, {u"CELL"_qs}}, {u"03-3"_qs, {u"HOME"_qs, u"FAX"_qs}}};
        ann.postalAddresses = {
            {{}, {}, u"1-2 Ginza"_qs, u"Chuo"_qs, u"Tokyo"_qs, u"104"_qs, u"JP"_qs, {u"HOME"_qs}}};
        ann.company = u"Alpha; Inc"_qs;
        ann.department = u"Sales"_qs;
        ann.units = {u"Sales"_qs};
        ann.title = u"Lead"_qs;
        ann.note = u"line1\nline2"_qs;
        ann.birthday = QDate(1970, 4, 1);
        ann.groups = {u"Friends, old"_qs, u"Work"_qs};
        ann.webPages = {{u"http://example.com/a,b"_qs, {}}};
        QTest::newRow("vCard, every family")
            << Write(zt::writeVCard) << ann
            << QStringList{u"BEGIN:VCARD"_qs,
                           u"VERSION:3.0"_qs,
                           u"FN:Ann Lee"_qs,
                           u"N:Lee;Ann;;;"_qs,
                           u"EMAIL;TYPE=INTERNET,PREF:ann@example.com"_qs,
                           u"EMAIL;TYPE=INTERNET:a2@example.com"_qs,
                           u"TEL;TYPE=WORK:03-1"_qs,
                           u"TEL;TYPE=CELL:090-2"_qs,
                           u"TEL;TYPE=HOME,FAX:03-3"_qs,
                           u"ADR;TYPE=HOME:;;1-2 Ginza;Chuo;Tokyo;104;JP"_qs,
                           u"ORG:Alpha\\; Inc;Sales"_qs,
                           u"TITLE:Lead"_qs,
                           u"URL:http://example.com/a,b"_qs,
                           u"BDAY:1970-04-01"_qs,
                           u"NOTE:line1\\nline2"_qs,
                           u"CATEGORIES:Friends\\, old,Work"_qs,
                           u"UID:urn:uuid:00000000-0000-5000-8000-000000000001"_qs,
                           u"END:VCARD"_qs};
        QTest::newRow("LDIF, every family") << Write(zt::writeLdif) << ann
                                            << QStringList{u"dn: cn=Ann Lee,mail=ann@example.com"_qs,
                                                           u"cn: Ann Lee"_qs,
                                                           u"givenName: Ann"_qs,
                                                           u"sn: Lee"_qs,
                                                           u"mail: ann@example.com"_qs,
                                                           u"telephoneNumber: 03-1"_qs,
                                                           u"mobile: 090-2"_qs,
                                                           u"o: Alpha; Inc"_qs,
                                                           u"ou: Sales"_qs,
                                                           u"title: Lead"_qs,
                                                           u"dn: cn=Work"_qs,
                                                           u"member: cn=Ann Lee,mail=ann@example.com"_qs};
        zt::Person units = person(u"Taro"_qs);
        units.company = u"株式会社　山田"_qs;
        units.units = {u"第一課"_qs, u"第二係"_qs};
        units.department = u"第一課;第二係"_qs;
        QTest::newRow("vCard ORG: the company, then the units as one")
            << Write(zt::writeVCard) << units << QStringList{u"ORG:株式会社　山田;第一課\\;第二係"_qs};
    }
    void personLines() {
        QFETCH(Write, write);
        QFETCH(zt::Person, person);
        QFETCH(QStringList, lines);
        write(sourceOf({person}), {work->out(u"out"_qs), {}, {}});
        const QStringList written = QString::fromUtf8(fileBytes(work->out(u"out"_qs))).split(u"\r\n"_qs);
        qsizetype at = 0;
        for (const QString& line : lines) {
            const qsizetype found = written.indexOf(line, at);
            QVERIFY2(found >= 0, qPrintable(line + u" (after line "_qs + QString::number(at) + u')'));
            at = found + 1;
        }
    }

    // Escaped once on the way out, the units after the company one unit; and dns that differ in
    // case only are two dns to a directory that compares them without it.
    void writtenLines_data() {
        QTest::addColumn<Write>("write");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("vcf") << Write(zt::writeVCard)
                             << QStringList{u"FN:O'Brien\\, Pat"_qs, u"ORG:A;Sales\\;Support\\;Unit"_qs,
                                            u"URL:http://example.com/a,b"_qs};
        QTest::newRow("ldif") << Write(zt::writeLdif)
                              << QStringList{u"dn: cn=Ann,mail=ann@example.com"_qs,
                                             u"dn: cn=ANN (2),mail=ANN@example.com"_qs};
    }
    void writtenLines() {
        QFETCH(Write, write);
        QFETCH(QStringList, lines);
        QTemporaryDir book;
        QDir(book.path()).mkdir(u"g"_qs);
        writeFile(book.filePath(u"g/c.nrk"_qs),
                  "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:O'Brien\\, Pat\r\nORG:A;Sales\\;Support;Unit\r\n"
                  "URL:http\\://example.com/a\\,b\r\nEND:VCARD\r\n"
                  "BEGIN:VCARD\r\nFN:Ann\r\nEMAIL;PREF:ann@example.com\r\nEND:VCARD\r\n"
                  "BEGIN:VCARD\r\nFN:ANN\r\nEMAIL;PREF:ANN@example.com\r\nEND:VCARD\r\n");
        zt::importAddressBook(*work->db, book.path());
        write(zt::peopleOf(*work->db), {work->out(u"out"_qs), {}, {}});
        const QStringList written = QString::fromUtf8(fileBytes(work->out(u"out"_qs))).split(u"\r\n"_qs);
        for (const QString& line : lines) {
            QVERIFY2(written.contains(line), qPrintable(line));
        }
    }

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
