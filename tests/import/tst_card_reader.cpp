#include <QtTest>

#include "import/card_reader.h"
#include "platform/ansi_text_file.h"

using zt::Card;

namespace {

// One card as "name|address|company|department".
QStringList describe(const std::vector<Card>& cards) {
    QStringList out;
    for (const Card& c : cards) {
        out << QStringList{c.name, c.address, c.company, c.department}.join(u'|');
    }
    return out;
}

}  // namespace

class TestCardReader : public QObject {
    Q_OBJECT
private slots:
    void readCards_data();
    void readCards();
    void splitTabFields_data();
    void splitTabFields();
};

void TestCardReader::readCards_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("cards");

    // 山田太郎, ㈱東西商事, 営業部, 髙橋① in CP932 as the address book writes them.
    QTest::newRow("a full card")
        << QByteArray(
               "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:\x8e\x52\x93\x63\x91\xbe\x98\x59\r\n"
               "ORG:\x87\x8a\x93\x8c\x90\xbc\x8f\xa4\x8e\x96;\x89\x63\x8b\xc6\x95\x94;\r\n"
               "EMAIL;PREF:taro@example.jp\r\nEND:VCARD\r\n")
        << QStringList{u"山田太郎|taro@example.jp|㈱東西商事|営業部"_qs};
    QTest::newRow("Windows and NEC codes of the same kanji")
        << QByteArray("FN:\xfb\xfc\x8b\xb4\x87\x40\r\nEND:VCARD\r\nFN:\xee\xe0\x8b\xb4\r\nEND:VCARD\r\n")
        << QStringList{u"髙橋①|||"_qs, u"髙橋|||"_qs};
    QTest::newRow("card without known lines")
        << QByteArray("BEGIN:VCARD\r\nTEL:03\r\nEND:VCARD\r\n") << QStringList{u"|||"_qs};
    QTest::newRow("same person twice")
        << QByteArray("FN:a\r\nEMAIL;PREF:a@x\r\nEND:VCARD\r\nFN:a\r\nEMAIL;PREF:a@x\r\nEND:VCARD\r\n")
        << QStringList{u"a|a@x||"_qs, u"a|a@x||"_qs};
    QTest::newRow("last line of a kind wins") << QByteArray(
                                                     "FN:first\r\nORG:A;B\r\nFN:second\r\nORG:C\r\nEMAIL;"
                                                     "PREF:1@x\r\nEMAIL;PREF:2@x\r\nEND:VCARD\r\n")
                                              << QStringList{u"second|2@x|C|"_qs};
    QTest::newRow("values reset per card")
        << QByteArray("FN:a\r\nORG:A;B\r\nEMAIL;PREF:a@x\r\nEND:VCARD\r\nBEGIN:VCARD\r\nEND:VCARD\r\n")
        << QStringList{u"a|a@x|A|B"_qs, u"|||"_qs};
    QTest::newRow("prefixes are case-sensitive")
        << QByteArray("fn:a\r\nOrg:A\r\nemail;pref:a@x\r\nEND:VCARD\r\nFN:b\r\nend:vcard\r\nEND:VCARD\r\n")
        << QStringList{u"|||"_qs, u"b|||"_qs};
    QTest::newRow("properties with parameters are not the plain ones")
        << QByteArray("FN;CHARSET=SHIFT_JIS:a\r\nEMAIL;INTERNET:a@x\r\nEMAIL:b@x\r\nORG;X:A\r\nEND:VCARD\r\n")
        << QStringList{u"|||"_qs};
    QTest::newRow("values as they stand") << QByteArray("FN: a\\, b \r\nEMAIL;PREF:=41@x\t\r\nEND:VCARD\r\n")
                                          << QStringList{u" a\\, b |=41@x\t||"_qs};
    QTest::newRow("end on the first nine characters")
        << QByteArray("FN:a\r\nEND:VCARDS\r\nFN:b\r\n END:VCARD\r\nEND:VCAR\r\nEND:VCARD\r\n")
        << QStringList{u"a|||"_qs, u"b|||"_qs};
    QTest::newRow("two ends in a row give an empty card")
        << QByteArray("FN:a\r\nEND:VCARD\r\nEND:VCARD\r\n") << QStringList{u"a|||"_qs, u"|||"_qs};
    QTest::newRow("empty file") << QByteArray() << QStringList{};

    // Whatever follows the last END:VCARD is a card only if it carries a
    // value: a truncated file keeps its last person, while the blank lines or
    // the lone BEGIN:VCARD some writers leave at the end add no empty entry.
    // An "FN:" with nothing after it is no value either.
    QTest::newRow("blank lines after the last card")
        << QByteArray("FN:a\r\nEND:VCARD\r\n\r\n\r\n") << QStringList{u"a|||"_qs};
    QTest::newRow("unknown lines after the last card")
        << QByteArray("FN:a\r\nEND:VCARD\r\nBEGIN:VCARD\r\nVERSION:2.1\r\nFN:\r\nORG:;\r\n")
        << QStringList{u"a|||"_qs};
    QTest::newRow("last card without end, name")
        << QByteArray("FN:a\r\nEND:VCARD\r\nBEGIN:VCARD\r\nFN:b") << QStringList{u"a|||"_qs, u"b|||"_qs};
    QTest::newRow("last card without end, address")
        << QByteArray("EMAIL;PREF:b@x\r\n") << QStringList{u"|b@x||"_qs};
    QTest::newRow("last card without end, company") << QByteArray("ORG:B\r\n\r\n") << QStringList{u"||B|"_qs};
    QTest::newRow("last card without end, department only")
        << QByteArray("ORG:;D;\r\n") << QStringList{u"|||D"_qs};

    QTest::newRow("ORG company;department;")
        << QByteArray("ORG:A;B;\r\nEND:VCARD\r\n") << QStringList{u"||A|B"_qs};
    QTest::newRow("ORG company;department")
        << QByteArray("ORG:A;Bx\r\nEND:VCARD\r\n") << QStringList{u"||A|Bx"_qs};
    QTest::newRow("ORG company only") << QByteArray("ORG:A\r\nEND:VCARD\r\n") << QStringList{u"||A|"_qs};
    QTest::newRow("ORG company;") << QByteArray("ORG:A;\r\nEND:VCARD\r\n") << QStringList{u"||A|"_qs};
    QTest::newRow("ORG ;;") << QByteArray("ORG:;;\r\nEND:VCARD\r\n") << QStringList{u"|||"_qs};
    QTest::newRow("ORG empty") << QByteArray("ORG:\r\nEND:VCARD\r\n") << QStringList{u"|||"_qs};
    QTest::newRow("ORG with more parts keeps them in the department")
        << QByteArray("ORG:A;B;C;\r\nEND:VCARD\r\n") << QStringList{u"||A|B;C"_qs};
    QTest::newRow("ORG Japanese department without trailing ;")
        << QByteArray(
               "ORG:\x87\x8a\x93\x8c\x90\xbc\x8f\xa4\x8e\x96;\x89\x63\x8b\xc6\x95\x94\r\nEND:VCARD\r\n")
        << QStringList{u"||㈱東西商事|営業部"_qs};

    QTest::newRow("LF line ends") << QByteArray("FN:a\nEND:VCARD\nFN:b\nEND:VCARD\n")
                                  << QStringList{u"a|||"_qs, u"b|||"_qs};
    QTest::newRow("lone CR line ends")
        << QByteArray("FN:a\rEMAIL;PREF:a@x\rEND:VCARD\r") << QStringList{u"a|a@x||"_qs};
    QTest::newRow("undecodable bytes keep the rest of the line")
        << QByteArray(
               "FN:\x80"
               "a\xff"
               "b\x82 c\r\nEND:VCARD\r\n")
        << QStringList{u"\uFFFDa\uFFFDb\uFFFD c|||"_qs};
}

void TestCardReader::readCards() {
    QFETCH(QByteArray, file);
    QFETCH(QStringList, cards);
    zt::AnsiTextReader reader = zt::AnsiTextReader::fromBytes(file);
    QCOMPARE(describe(zt::readCards(reader)), cards);
}

void TestCardReader::splitTabFields_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("expected");

    const QString e;
    QTest::newRow("empty line") << QString() << 1 << QStringList{e, e, e, e, e, e, e, e};
    QTest::newRow("two fields") << u"a\tb"_qs << 2 << QStringList{u"a"_qs, u"b"_qs, e, e, e, e, e, e};
    QTest::newRow("trailing TAB") << u"a\t"_qs << 2 << QStringList{u"a"_qs, e, e, e, e, e, e, e};
    QTest::newRow("only TABs") << u"\t\t"_qs << 3 << QStringList{e, e, e, e, e, e, e, e};
    QTest::newRow("six fields") << u"1\t2\t3\t髙橋①\tt@x\t課長"_qs << 6
                                << QStringList{u"1"_qs,   u"2"_qs,    u"3"_qs, u"髙橋①"_qs,
                                               u"t@x"_qs, u"課長"_qs, e,       e};
    QTest::newRow("eight fields") << u"1\t2\t3\t4\t5\t6\t7\t8"_qs << 8
                                  << QStringList{u"1"_qs, u"2"_qs, u"3"_qs, u"4"_qs,
                                                 u"5"_qs, u"6"_qs, u"7"_qs, u"8"_qs};
    QTest::newRow("fields past the eighth ignored")
        << u"1\t2\t3\t4\t5\t6\t7\t8\t9\t10"_qs << 8
        << QStringList{u"1"_qs, u"2"_qs, u"3"_qs, u"4"_qs, u"5"_qs, u"6"_qs, u"7"_qs, u"8"_qs};
    QTest::newRow("blanks and quotes kept")
        << u" a \t'b'"_qs << 2 << QStringList{u" a "_qs, u"'b'"_qs, e, e, e, e, e, e};
}

void TestCardReader::splitTabFields() {
    QFETCH(QString, line);
    QFETCH(int, count);
    QFETCH(QStringList, expected);
    // Left-overs of an earlier line must not survive the split.
    zt::TabFields fields;
    fields.fill(u"stale"_qs);
    QCOMPARE(zt::SplitTabFields(line, fields), count);
    QCOMPARE(QStringList(fields.begin(), fields.end()), expected);
}

QTEST_APPLESS_MAIN(TestCardReader)
#include "tst_card_reader.moc"
