// The person writers (vCard, Outlook CSV, LDIF, Google CSV): a person in, the
// exact lines out; and every file of a book against tests/data.
#include "formats/google_csv_writer.h"
#include "formats/ldif_writer.h"
#include "formats/outlook_csv_writer.h"
#include "formats/vcard_writer.h"
#include "import/address_book_import.h"
#include "people/people_reader.h"
#include "test_support.h"

using Write = qsizetype (*)(const zt::PersonSource&, const QString&);
Q_DECLARE_METATYPE(Write)
Q_DECLARE_METATYPE(zt::Person)

namespace {

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
        write(sourceOf({person}), work->out(u"out"_qs));
        const QStringList written = QString::fromUtf8(fileBytes(work->out(u"out"_qs))).split(u"\r\n"_qs);
        qsizetype at = 0;
        for (const QString& line : lines) {
            const qsizetype found = written.indexOf(line, at);
            QVERIFY2(found >= 0, qPrintable(line + u" (after line "_qs + QString::number(at) + u')'));
            at = found + 1;
        }
    }

    void files_data() {
        QTest::addColumn<Write>("write");
        QTest::addColumn<QString>("rows");
        const std::pair<const char*, Write> writers[] = {{"vcf", zt::writeVCard},
                                                         {"csv", zt::writeOutlookCsv},
                                                         {"ldif", zt::writeLdif},
                                                         {"google.csv", zt::writeGoogleCsv}};
        for (const auto& [extension, write] : writers) {
            for (const char* rows : {"vcard_worked_example", "csv_worked_example", "people_hostile",
                                     "people_empty", "full_cards"}) {
                QTest::addRow("%s.%s", rows, extension) << write << QString::fromLatin1(rows);
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
        compareOutput(work->outDir(), QString::fromLatin1(QTest::currentDataTag()),
                      [&](const QString& path) { return write(zt::peopleOf(*work->db), path); });
    }
};

QTEST_MAIN(TestPersonWriters)
#include "tst_person_writers.moc"
