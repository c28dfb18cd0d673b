// The store of people: who is one person, what the reader puts together from
// the stored rows of books of cards, across an upgrade; and the name rule.
#include "card/name_rule.h"
#include "formats/csv_writer.h"
#include "formats/edmax_writer.h"
#include "formats/google_csv_writer.h"
#include "formats/ldif_writer.h"
#include "formats/outlook_csv_writer.h"
#include "formats/tsurukame_writer.h"
#include "formats/vcard_writer.h"
#include "import/address_book_import.h"
#include "people/people_reader.h"
#include "platform/cp932.h"
#include "test_support.h"

namespace {

QString joined(const QList<zt::TypedValue>& values) {
    QStringList texts;
    for (const zt::TypedValue& v : values) {
        texts << v.value + (v.types.isEmpty() ? QString() : u'[' + v.types.join(u' ') + u']');
    }
    return texts.join(u',');
}

// A person as the people table shows one: shown|e-mails|phones|postal
// addresses|web pages|company|department|title|note|groups|UID, the UID
// only when it is not one we made (a card's own), a line break as ↵.
QString personRow(const zt::Person& p) {
    return QStringList{p.shownName,
                       joined(p.emails),
                       joined(p.phones),
                       QString::number(p.postalAddresses.size()),
                       joined(p.webPages),
                       p.company,
                       p.department,
                       p.title,
                       p.note,
                       p.groups.join(u','),
                       p.uid.version() == QUuid::Sha1 ? QString() : p.uid.toString(QUuid::WithoutBraces)}
        .join(u'|')
        .replace(u'\n', u'↵');
}

}  // namespace

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
    }
    void nameRule() {
        QFETCH(QString, shown);
        const zt::PersonName parts = zt::splitName(shown);
        QTEST(parts.family, "family");
        QTEST(parts.given, "given");
    }

    // people_hostile: every character each format must escape, a person in
    // three groups and stored twice, names missing or NULL beside empty, dns
    // that would meet. full_cards: a book of whole 2.1 and 3.0 cards, imported.
    // tests/data/people_of_cards.txt: books of cards as phones and mail
    // programs write them, each "=== tag", then "# group" before its card
    // file's lines (UTF-8 here, CP932 in the book), "--- people" and
    // "--- report" before the rows each should give. No two people share a UID.
    void peopleOfCards_data() {
        QTest::addColumn<QString>("book");
        QTest::addColumn<QStringList>("people");
        QTest::addColumn<QStringList>("report");
        const QString table = QString::fromUtf8(fileBytes(testData(u"people_of_cards.txt"_qs)));
        for (const QString& section : table.split(u"=== "_qs, Qt::SkipEmptyParts)) {
            const QString tag = section.section(u'\n', 0, 0);
            const QString book = section.section(u'\n', 1).section(u"--- people\n"_qs, 0, 0);
            const QString rows = section.section(u"--- people\n"_qs, 1);
            QTest::newRow(qPrintable(tag))
                << book << rows.section(u"--- report\n"_qs, 0, 0).split(u'\n', Qt::SkipEmptyParts)
                << rows.section(u"--- report\n"_qs, 1).split(u'\n', Qt::SkipEmptyParts);
        }
    }
    void peopleOfCards() {
        QFETCH(QString, book);
        QTemporaryDir folder;
        QString group;
        QMap<QString, QString> files;
        for (const QString& line : book.split(u'\n', Qt::SkipEmptyParts)) {
            if (line.startsWith(u"# "_qs)) {
                group = line.mid(2);
            } else {
                files[group] += line + u"\r\n"_qs;
            }
        }
        for (auto file = files.cbegin(); file != files.cend(); ++file) {
            QDir(folder.path()).mkdir(file.key());
            writeFile(folder.filePath(file.key() + u"/c.nrk"_qs), zt::cp932::encode(file.value()));
        }
        zt::importAddressBook(*work->db, folder.path());
        QStringList people, report;
        QSet<QUuid> uids;
        for (const zt::Person& p : zt::readPeople(*work->db)) {
            people << personRow(p);
            for (const zt::UncarriedProperty& u : p.uncarried) {
                report << QString(p.shownName + u'|' + u.name + u'|' + u.value).replace(u'\n', u'↵');
            }
            uids.insert(p.uid);
        }
        QTEST(people, "people");
        QTEST(report, "report");
        QCOMPARE(uids.size(), people.size());
    }

    // Who the entries are, as the import stores it: 出力人物 lists a person
    // once, with its entries from every group, and a card that gives neither
    // a name nor an address apart. An upgrade of the same import from a file
    // that kept the cards but not who they are finds the same people.
    void whoTheEntriesAre_data() {
        QTest::addColumn<QString>("book");  // "# group" before the lines of its card file
        QTest::addColumn<QStringList>("people");
        const QString ann = u"BEGIN:VCARD\nFN:Ann\nEMAIL:ann@example.com\nEND:VCARD\n"_qs;
        const QString bob = u"BEGIN:VCARD\nFN:Bob\nEMAIL:bob@example.com\nTEL:1\nEND:VCARD\n"_qs;
        const QString nobody = u"BEGIN:VCARD\nTEL:2\nEND:VCARD\n"_qs;
        const QString taro = u"BEGIN:VCARD\nN:山田;太郎\nEMAIL:taro@example.jp\nEND:VCARD\n"_qs;
        QTest::newRow("one person in two groups")
            << u"# a\n"_qs + ann + u"# b\n"_qs + bob + ann << QStringList{u"1,3|0"_qs, u"2|0"_qs};
        QTest::newRow("cards of nobody")
            << u"# a\n"_qs + ann + nobody + nobody << QStringList{u"1|0"_qs, u"2,3|0"_qs};
        QTest::newRow("named by the card only, in two groups")
            << u"# a\n"_qs + taro + nobody + u"# b\n"_qs + bob + taro
            << QStringList{u"1,4|0"_qs, u"2|0"_qs, u"3|0"_qs};
    }
    void whoTheEntriesAre() {
        QFETCH(QString, book);
        QTemporaryDir folder;
        QString group;
        for (const QString& line : book.split(u'\n', Qt::SkipEmptyParts)) {
            if (line.startsWith(u"# "_qs)) {
                group = line.mid(2);
                QDir(folder.path()).mkdir(group);
            } else {
                QFile file(folder.filePath(group + u"/c.nrk"_qs));
                QVERIFY(file.open(QIODevice::Append));
                file.write(zt::cp932::encode(line + u"\r\n"_qs));
            }
        }
        zt::importAddressBook(*work->db, folder.path());
        QTEST(peopleRows(*work->db), "people");
        // Who each entry is, and the people; without the membership stored with
        // each card an upgraded entry finds its groups by name and address.
        const auto state = [&] {
            QStringList rows = queryRows(*work->db, u"SELECT hex(人物) FROM アドレス情報 ORDER BY rowid"_qs);
            for (zt::Person p : zt::readPeople(*work->db)) {
                p.groups.clear();
                rows << personRow(p);
            }
            return rows;
        };
        const QStringList imported = state();
        makeVersion1(*work->db);
        work->db = zt::openWorkingDatabase(work->db->path());
        QTEST(peopleRows(*work->db), "people");
        QCOMPARE(state(), imported);
    }

    // What a database tool does to the entries, in plain SQL, and then every
    // output: a person's record is never written for rows it was not made
    // from, and an entry without its record is written from its fields. A
    // name changed in place keeps the record, which holds what the card says:
    // the fixed outputs write the new name, the person outputs the card's.
    void recordsFollowTheirRows_data() {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("people");
        QTest::addColumn<QString>("csvLine");
        QTest::addColumn<QString>("phone");  // written, or where "-" is before it, in no person output
        QTest::newRow("deleted and stored anew")
            << u"DELETE FROM グループ情報; DELETE FROM アドレス情報; INSERT INTO アドレス情報 "
               u"(名前, アドレス, 会社名, 部署名) VALUES ('新人', 'new@example.jp', '新社', '')"_qs
            << QStringList{u"新人|new@example.jp||0||新社|||||"_qs} << u",新人,new@example.jp,新社,,"_qs
            << u"-03-1"_qs;
        QTest::newRow("one entry of a person deleted")
            << u"DELETE FROM アドレス情報 WHERE rowid = 3"_qs
            << QStringList{u"田中 太郎|tanaka@example.jp||0||||||a|"_qs,
                           u"佐藤|sato@example.jp[PREF]|045-2|0||||||a|"_qs}
            << u"a,田中 太郎,tanaka@example.jp,,,"_qs << u"-03-1"_qs;
        QTest::newRow("a row copied without who it is")
            << u"INSERT INTO アドレス情報 (名前, アドレス) SELECT 名前, アドレス FROM アドレス情報 WHERE rowid = 2"_qs
            << QStringList{u"田中 太郎|tanaka@example.jp[PREF]|03-1|0||||||a,b|"_qs,
                           u"佐藤|sato@example.jp[PREF]|045-2|0||||||a|"_qs,
                           u"佐藤|sato@example.jp||0||||||a|"_qs}
            << u"a,佐藤,sato@example.jp,,,"_qs << u"03-1"_qs;
        QTest::newRow("a name changed")
            << u"UPDATE アドレス情報 SET 名前 = '田中 次郎' WHERE rowid = 1"_qs
            << QStringList{u"田中 太郎|tanaka@example.jp[PREF]|03-1|0||||||a,b|"_qs,
                           u"佐藤|sato@example.jp[PREF]|045-2|0||||||a|"_qs}
            << u",田中 次郎,tanaka@example.jp,,,"_qs << u"03-1"_qs;
    }
    void recordsFollowTheirRows() {
        QFETCH(QString, sql);
        QFETCH(QString, csvLine);
        QFETCH(QString, phone);
        QTemporaryDir book;
        const QByteArray tanaka =
            "BEGIN:VCARD\r\nFN:\x93\x63\x92\x86 \x91\xbe\x98\x59\r\n"
            "EMAIL;PREF:tanaka@example.jp\r\nTEL:03-1\r\nEND:VCARD\r\n";
        QVERIFY(QDir(book.path()).mkpath(u"a"_qs) && QDir(book.path()).mkpath(u"b"_qs));
        writeFile(book.filePath(u"a/c.nrk"_qs),
                  tanaka +
                      "BEGIN:VCARD\r\nFN:\x8d\xb2\x93\xa1\r\nEMAIL;PREF:sato@example.jp\r\n"
                      "TEL:045-2\r\nEND:VCARD\r\n");
        writeFile(book.filePath(u"b/c.nrk"_qs), tanaka);
        zt::importAddressBook(*work->db, book.path());
        for (const QString& statement : sql.split(u"; "_qs)) {
            work->db->Execute(statement);
        }
        QStringList people;
        QSet<QUuid> uids;
        for (const zt::Person& p : zt::readPeople(*work->db)) {
            people << personRow(p);
            uids.insert(p.uid);
        }
        QTEST(people, "people");
        QCOMPARE(uids.size(), people.size());
        // The vCard holds every phone; none of the person outputs one that is gone.
        const bool gone = phone.startsWith(u'-');
        using Write = qsizetype (*)(const zt::PersonSource&, const zt::OutputTarget&);
        const Write outlook = [](const zt::PersonSource& people, const zt::OutputTarget& target) {
            return zt::writeOutlookCsv(people, target, zt::OutlookLayout::New);
        };
        for (const Write write :
             {Write(zt::writeVCard), outlook, Write(zt::writeLdif), Write(zt::writeGoogleCsv)}) {
            write(zt::peopleOf(*work->db), {work->out(u"people"_qs), {}, {}});
            const bool holds =
                QString::fromUtf8(fileBytes(work->out(u"people"_qs))).contains(phone.mid(gone));
            QVERIFY(gone ? !holds : holds || write != Write(zt::writeVCard));
        }
        zt::writeEdMax(*work->db, {work->out(u"e.adr"_qs), {}, {}}, u'1');
        zt::writeTsurukame(*work->db, {work->out(u"t.txt"_qs), {}, {}}, u'1');
        zt::writeCsv(*work->db, {work->out(u"c.txt"_qs), {}, {}});
        QVERIFY(zt::cp932::decode(fileBytes(work->out(u"c.txt"_qs))).split(u"\r\n"_qs).contains(csvLine));
    }
};

QTEST_MAIN(TestPeople)
#include "tst_people.moc"
