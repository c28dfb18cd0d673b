// Card → person: what the stored fields and a card make of one person. Each
// row is shown as shown|family|given|company|department|title|birthday|note.
#include <QtTest>

#include "card/card_person.h"
#include "people/card_record.h"
#include "people/identity.h"
#include "people/person_assembly.h"
#include "platform/cp932.h"
#include "platform/error.h"

class TestPersonAssembly : public QObject {
    Q_OBJECT
private slots:
    void read_data() {
        QTest::addColumn<QByteArray>("name");  // 名前; "-" for NULL
        QTest::addColumn<QString>("company");  // the stored company
        QTest::addColumn<QString>("card");     // written in CP932
        QTest::addColumn<QString>("expected");
        QTest::newRow("stored name split by the rule, card's N absent")
            << QByteArray("Ito Ken") << QString() << u"NOTE:x\r\n"_qs << u"Ito Ken|Ken|Ito|||||x"_qs;
        QTest::newRow("the first FN, its escapes undone, over the stored line")
            << QByteArray("O'Brien\\, Pat") << QString()
            << u"VERSION:3.0\r\nFN:O'Brien\\, Pat\r\nFN:Second\r\n"_qs << u"O'Brien, Pat|O'Brien|Pat|||||"_qs;
        QTest::newRow("N over the shown name, FN when no stored name")
            << QByteArray("-") << QString() << u"FN:Shown\r\nN:Sato;Hana;;;\r\n"_qs
            << u"Shown|Sato|Hana|||||"_qs;
        QTest::newRow("N joined when there is no name at all")
            << QByteArray("") << QString() << u"N:髙橋;一郎\r\n"_qs << u"髙橋 一郎|髙橋|一郎|||||"_qs;
        QTest::newRow("company shown, no name split from it")
            << QByteArray("") << u"Co"_qs << u"TEL:1\r\n"_qs << u"Co|||Co||||"_qs;
        QTest::newRow("the first ORG with the first TITLE, units unescaped")
            << QByteArray("") << u"Last"_qs
            << u"ORG:A;Sales\\;Support\r\nTITLE:Engineer\r\nORG:Mystery\r\nTITLE:Boss"_qs
            << u"A|||A|Sales;Support|Engineer||"_qs;
        QTest::newRow("birthdays: none valid")
            << QByteArray("x") << QString()
            << u"BDAY:2001-02-30\r\nBDAY:0000-01-01\r\nBDAY:2001-1-01\r\nBDAY:20010101x\r\nBDAY:2001+2-03\r\n"
               u"BDAY:197004019\r\nBDAY:1970/04/01\r\nBDAY:--0415"_qs
            << u"x|x||||||"_qs;
        QTest::newRow("no name, address, company or phone: shown by its nickname")
            << QByteArray("") << QString() << u"NOTE:n\r\nNICKNAME:Nick\r\nADR:;;1-2;Town"_qs
            << u"Nick|||||||n"_qs;
        QTest::newRow("no name: by its address, its parts trimmed")
            << QByteArray("") << QString() << u"ADR:;; 1-2 ;Town;;;JP\r\nNOTE:n"_qs
            << u"1-2 Town JP|||||||n"_qs;
        QTest::newRow("no name: by its note's first line")
            << QByteArray("") << QString() << u"VERSION:3.0\r\nNOTE: first\\nsecond\r\nURL:u"_qs
            << u"first||||||| first↵second"_qs;
        QTest::newRow("no name: by its web page, then its birthday")
            << QByteArray("") << QString() << u"URL:http://x\r\nBDAY:2000-01-02"_qs
            << u"http://x||||||2000-01-02|"_qs;
        QTest::newRow("nothing a mail program holds")
            << QByteArray("") << QString() << u"X-A:b\r\nPHOTO;ENCODING=b:AAEC"_qs << QString();
    }
    void read() {
        QFETCH(QByteArray, name);
        QFETCH(QString, company);
        QFETCH(QString, card);
        zt::StoredEntry stored;
        stored.name = name == "-" ? QByteArray() : name;
        stored.company = company;
        const zt::CardPerson interpreted = zt::interpretCard(zt::cp932::encode(card));
        zt::Person p;
        QString shown;
        if (zt::assemblePerson(stored, &interpreted, p)) {
            shown = QStringList{p.shownName,
                                p.familyName,
                                p.givenName,
                                p.company,
                                p.department,
                                p.title,
                                p.birthday.toString(Qt::ISODate),
                                p.note}
                        .join(u'|')
                        .replace(u'\n', u'↵');
        }
        QTEST(shown, "expected");
    }

    // A person's record gives back the person it was made from; one cut short
    // anywhere, or with a byte more, is refused, never read past. Its layout is
    // pinned: a record laid out otherwise takes the next version, so that no
    // program reads another's fields in the wrong places.
    void record() {
        zt::Person p;
        int n = 0;
        const auto next = [&n] { return QString(QChar(u'a' + n++)); };
        for (QString* text : {&p.shownName, &p.familyName, &p.givenName, &p.middleName, &p.prefix, &p.suffix,
                              &p.phoneticFamily, &p.phoneticGiven, &p.nickname, &p.address, &p.company,
                              &p.department, &p.title, &p.note}) {
            *text = next();
        }
        for (QList<zt::TypedValue>* list : {&p.emails, &p.phones, &p.webPages}) {
            list->append({next(), {next()}});
        }
        p.postalAddresses.append({next(), next(), next(), next(), next(), next(), next(), {next()}});
        p.units = {next()};
        p.groups = {next()};
        p.uncarried.append({next(), next()});
        p.namesFromCard = true;
        p.birthday = QDate(1970, 4, 1);
        p.uid = QUuid(u"00010203-0405-4607-8809-0a0b0c0d0e0f"_qs);
        const QByteArray pinned = QByteArray::fromHex(
            "020100000061010000006201000000630100000064010000006501000000660101000000670100000068010000006901"
            "0000006a01000000010000006f010000000100000070010000006b010000006c01000000010000007d010000006d0100"
            "000001000000710100000001000000720100000001000000750100000076010000007701000000780100000079010000"
            "007a010000007b01000000010000007c010000000100000073010000000100000074010000006ee63d25000000000001"
            "000000010000007e000102030405460788090a0b0c0d0e0f01000000010000007f02000000c28000");
        const QByteArray bytes = zt::personRecord(p);
        if (bytes.front() == pinned.front()) {
            QCOMPARE(bytes.toHex(), pinned.toHex());
        }
        QCOMPARE(zt::personRecord(zt::fromPersonRecord(bytes)), bytes);
        for (qsizetype size = 0; size <= bytes.size(); ++size) {
            const QByteArray damaged = size < bytes.size() ? bytes.first(size) : bytes + 'x';
            QVERIFY_THROWS_EXCEPTION(zt::Error, zt::fromPersonRecord(damaged));
        }
    }

    // Who is one person: two cards written in CP932, one person or two.
    void identity_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("one");
        const QString ann = u"FN:Ann\r\nEMAIL:ann@example.com\r\n"_qs;
        QTest::newRow("same name and address") << ann << ann + u"TEL:1\r\n"_qs << true;
        QTest::newRow("the address in another case") << ann << u"FN:Ann\r\nEMAIL:ANN@Example.COM"_qs << true;
        QTest::newRow("another address") << ann << u"FN:Ann\r\nEMAIL:ann@example.org"_qs << false;
        QTest::newRow("another name") << ann << u"FN:Anne\r\nEMAIL:ann@example.com"_qs << false;
        QTest::newRow("one name, no address, two cards")
            << u"FN:田中\r\nTEL:1"_qs << u"FN:田中\r\nTEL:2"_qs << false;
        QTest::newRow("N alone, no address, two cards")
            << u"N:F;G;M\r\nTEL:1"_qs << u"N:F;G;M\r\nTEL:2"_qs << false;
        QTest::newRow("the same card, its line ends apart")
            << u"FN:田中\r\nTEL:1\r\n"_qs << u"FN:田中\nTEL:1\n"_qs << true;
        QTest::newRow("the same card of nobody") << u"NOTE:x\r\n"_qs << u"NOTE:x\r"_qs << true;
        QTest::newRow("the name escaped or in a charset")
            << u"VERSION:3.0\r\nFN:Smith\\, John\r\nEMAIL:s@x"_qs
            << u"VERSION:3.0\r\nFN;CHARSET=SHIFT_JIS:Smith\\, John\r\nEMAIL:s@x"_qs << true;
        QTest::newRow("the name quoted-printable, or from N")
            << u"FN;ENCODING=QUOTED-PRINTABLE:=8E=52=93=63 =91=BE=98=59\r\nEMAIL:t@x"_qs
            << u"N:山田;太郎\r\nEMAIL:t@x"_qs << true;
        QTest::newRow("the first FN, not the last")
            << u"FN:Alice\r\nFN:Bob\r\nEMAIL:a@x"_qs << u"FN:Bob\r\nEMAIL:a@x"_qs << false;
        QTest::newRow("the PREF address, not the first")
            << u"FN:A\r\nEMAIL:o@x\r\nEMAIL;PREF:p@x"_qs << u"FN:A\r\nEMAIL:p@x"_qs << true;
        QTest::newRow("an AGENT's card is not its card's name or address")
            << u"VERSION:2.1\r\nTEL:1\r\nAGENT:\r\nBEGIN:VCARD\r\nFN:Boss\r\nEMAIL:b@x\r\nEND:VCARD\r\n"_qs
            << u"FN:Boss\r\nEMAIL:b@x"_qs << false;
    }
    void identity() {
        QFETCH(QString, first);
        QFETCH(QString, second);
        const auto key = [](const QString& text) {
            const QByteArray bytes = zt::cp932::encode(text);
            const zt::CardPerson card = zt::interpretCard(bytes);
            return zt::personKey("", "", &card, bytes);
        };
        QTEST(key(first) == key(second), "one");
    }
};

QTEST_APPLESS_MAIN(TestPersonAssembly)
#include "tst_person_assembly.moc"
