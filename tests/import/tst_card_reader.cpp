#include <QtTest>

#include "import/card_reader.h"
#include "platform/ansi_text_file.h"

class TestCardReader : public QObject {
    Q_OBJECT
private slots:
    void readCards_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("cards");  // name|address|company|department

        // 山田太郎, ㈱東西商事;営業部; and 髙橋① (髙 as Windows writes it) in CP932.
        QTest::newRow("full cards")
            << QByteArray(
                   "BEGIN:VCARD\r\nFN:\x8e\x52\x93\x63\x91\xbe\x98\x59\r\nORG:"
                   "\x87\x8a\x93\x8c\x90\xbc\x8f\xa4\x8e\x96;"
                   "\x89\x63\x8b\xc6\x95\x94;\r\nEMAIL;PREF:taro@x\r\nEND:VCARD\r\nFN:"
                   "\xfb\xfc\x8b\xb4\x87\x40\r\nEND:VCARD\r\n")
            << QStringList{u"山田太郎|taro@x|㈱東西商事|営業部"_qs, u"髙橋①|||"_qs};
        QTest::newRow("last of a kind wins")
            << QByteArray("FN:a\r\nORG:A;B\r\nFN:b\r\nORG:C\r\nEND:VCARD\r\n") << QStringList{u"b||C|"_qs};
        QTest::newRow("exact prefixes only") << QByteArray(
                                                    "fn:a\r\nFN;CHARSET=SHIFT_JIS:b\r\nEMAIL;INTERNET:c@"
                                                    "x\r\nend:vcard\r\nFN: d \r\nEND:VCARD\r\n")
                                             << QStringList{u" d |||"_qs};
        QTest::newRow("end on the first nine characters")
            << QByteArray("FN:a\r\nEND:VCARDS\r\nFN:b\r\n END:VCARD\r\nEND:VCAR\r\nEND:VCARD\r\n")
            << QStringList{u"a|||"_qs, u"b|||"_qs};
        QTest::newRow("two ends give an empty card")
            << QByteArray("FN:a\r\nEND:VCARD\r\nEND:VCARD\r\n") << QStringList{u"a|||"_qs, u"|||"_qs};
        // After the last END:VCARD only lines that give a value make a card: a
        // truncated file keeps its last person, trailing blank or unknown lines
        // (an empty "FN:" included) add no empty entry.
        QTest::newRow("trailing lines")
            << QByteArray("FN:a\r\nEND:VCARD\r\n\r\nBEGIN:VCARD\r\nFN:\r\nORG:;\r\n\r\n")
            << QStringList{u"a|||"_qs};
        QTest::newRow("truncated last card")
            << QByteArray("END:VCARD\r\nEMAIL;PREF:b@x") << QStringList{u"|||"_qs, u"|b@x||"_qs};

        QTest::newRow("ORG A;B;") << QByteArray("ORG:A;B;\r\nEND:VCARD\r\n") << QStringList{u"||A|B"_qs};
        QTest::newRow("ORG A;Bx") << QByteArray("ORG:A;Bx\r\nEND:VCARD\r\n") << QStringList{u"||A|Bx"_qs};
        QTest::newRow("ORG A") << QByteArray("ORG:A\r\nEND:VCARD\r\n") << QStringList{u"||A|"_qs};
        QTest::newRow("ORG A;") << QByteArray("ORG:A;\r\nEND:VCARD\r\n") << QStringList{u"||A|"_qs};
        QTest::newRow("ORG ;;") << QByteArray("ORG:;;\r\nEND:VCARD\r\n") << QStringList{u"|||"_qs};
        QTest::newRow("ORG A;B;C;") << QByteArray("ORG:A;B;C;\r\nEND:VCARD\r\n")
                                    << QStringList{u"||A|B;C"_qs};

        // Keys are matched on the bytes: a double-byte character whose second
        // byte is "F" (0x83 0x46, ェ) must not start an "FN:" line, and a key
        // followed by a lone lead byte keeps only a replacement character.
        QTest::newRow("keys next to double-byte codes")
            << QByteArray("\x83\x46N:x\r\nFN:\x83\r\nEMAIL;PREF:\x83\x46\r\nEND:VCARD\r\n")
            << QStringList{u"\uFFFD|\u30A7||"_qs};
        QTest::newRow("line ends and undecodable bytes") << QByteArray(
                                                                "FN:\x80"
                                                                "a\x82 b\rEMAIL;PREF:a@x\nEND:VCARD\r")
                                                         << QStringList{u"\uFFFDa\uFFFD b|a@x||"_qs};
    }

    void readCards() {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, cards);
        zt::AnsiTextReader reader = zt::AnsiTextReader::fromBytes(file);
        QStringList read;
        for (const zt::Card& c : zt::readCards(reader)) {
            read << QStringList{c.name, c.address, c.company, c.department}.join(u'|');
        }
        QCOMPARE(read, cards);
    }
};

QTEST_APPLESS_MAIN(TestCardReader)
#include "tst_card_reader.moc"
