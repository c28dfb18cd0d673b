// The one reader of a stored card's properties, over cards as the old programs
// wrote them. Each property is shown as a line: NAME[TYPES] value | part | part
// (the parts only when there are several), a line feed in a value as ↵.
#include <QtTest>

#include "card/card_properties.h"

class TestCardProperties : public QObject {
    Q_OBJECT
private slots:
    void read_data() {
        QTest::addColumn<QByteArray>("card");
        QTest::addColumn<QString>("expected");
        QTest::newRow("folded with a blank and a TAB, one blank taken")
            << QByteArray("BEGIN:VCARD\r\nNOTE:ab\r\n cd\r\n\tef\r\n  g\r\nTE\r\n L;TYPE=WORK:03\r\n\t-1\r\n")
            << u"BEGIN VCARD\nNOTE abcdef g\nTEL[WORK] 03-1\n"_qs;
        QTest::newRow("quoted-printable soft breaks over CP932")
            << QByteArray(
                   "NOTE;ENCODING=QUOTED-PRINTABLE:=82=A0=\r\n=82=\r\n=A2=\r\n x\r\n"
                   "FN;QUOTED-PRINTABLE:=8E=52=93=63\r\nTEL:1")
            << u"NOTE あい x\nFN 山田\nTEL 1\n"_qs;
        QTest::newRow("quoted-printable UTF-8")
            << QByteArray("FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=E9=AB=99=E6=A9=8B") << u"FN 髙橋\n"_qs;
        QTest::newRow("CP932 family, its 5C trail byte no escape")
            << QByteArray(
                   "VERSION:3.0\r\nORG;CHARSET=shift_jis:\x87\x8A\xFB\xFC;\x87\x40\r\n"
                   "NOTE;CHARSET=\"Windows-31J\":\x83\x5C\x83\x74\x83\x67;x\r\nFN:\x83\x5C")
            << u"VERSION 3.0\nORG ㈱髙;① | ㈱髙 | ①\nNOTE ソフト;x | ソフト | x\nFN ソ\n"_qs;
        QTest::newRow("ISO-8859-1") << QByteArray("NOTE;CHARSET=ISO-8859-1:Caf\xE9") << u"NOTE Café\n"_qs;
        QTest::newRow("unknown charset read as CP932")
            << QByteArray("NOTE;CHARSET=X-NOWHERE:\x82\xA0") << u"NOTE あ\n"_qs;
        QTest::newRow("escapes in N and ADR")
            << QByteArray(
                   "VERSION:4.0\nN:a\\;b;c\\,d;e\\\\;f\\ng\\Nh\r\nADR;TYPE=home:;;1-2\\,3;C:\\temp;JP\\")
            << u"VERSION 4.0\nN a;b;c,d;e\\;f↵g↵h | a;b | c,d | e\\ | f↵g↵h\n"
               "ADR[HOME] ;;1-2,3;C:\\temp;JP\\ |  |  | 1-2,3 | C:\\temp | JP\\\n"_qs;
        QTest::newRow("groups, types, names and parameters in any case")
            << QByteArray(
                   "item1.TEL;type=CELL;TYPE=\"voice\",pref:090\r\nitem2.email;internet;Pref:a@b.jp\r\n"
                   "tel;WORK;FAX;TYPE=x-a , \"b\";VALUE=uri;LANGUAGE=ja:2\r\n"
                   "SOUND;X-IRMC-N;CHARSET=SJIS:\xB6\xC5;\xC0\xDB\xB3\r\nLABEL;X-P=\"a:b\";HOME:v")
            << u"TEL[CELL,VOICE,PREF] 090\nEMAIL[INTERNET,PREF] a@b.jp\nTEL[WORK,FAX,X-A,B] 2\n"
               "SOUND[X-IRMC-N] ｶﾅ;ﾀﾛｳ | ｶﾅ | ﾀﾛｳ\nLABEL[HOME] v\n"_qs;
        QTest::newRow("a quote never closed: the first ':' ends the name, folded or not")
            << QByteArray("NOTE;X-Q=\"a:b\r\nTEL;X-Q=\"a\r\n :b\r\n c") << u"NOTE b\nTEL bc\n"_qs;
        QTest::newRow("a quoted ';' separates no parameters")
            << QByteArray("TEL;X-A=\"a;WORK\";CELL:1") << u"TEL[CELL] 1\n"_qs;
        QTest::newRow("base 64, folded and bare") << QByteArray(
                                                         "PHOTO;ENCODING=BASE64;TYPE=GIF:\r\n R0lG\r\n "
                                                         "ODlh\r\n\r\nX-B;encoding=b:SGk=\r\nEND:VCARD")
                                                  << u"PHOTO[GIF] GIF89a\nX-B Hi\nEND VCARD\n"_qs;
        QTest::newRow("malformed lines skipped")
            << QByteArray(
                   "no colon\r\n:empty name\r\nBAD NAME:x\r\nX_Y:z\r\n;TYPE=WORK:1\r\n"
                   "TEL\x82\xA0:1\r\na.b c:2\r\nGOOD:ok")
            << u"GOOD ok\n"_qs;
        QTest::newRow("broken quoted-printable kept as written")
            << QByteArray("NOTE;ENCODING=QUOTED-PRINTABLE:a=b=4=G1=3D=") << u"NOTE a=b=4=G1==\n"_qs;
        QTest::newRow("CR and LF line ends")
            << QByteArray("BEGIN:VCARD\rN:a;b\r\tc\r\r\nFN:x\nTEL:1\n\nEND:VCARD\n")
            << u"BEGIN VCARD\nN a;bc | a | bc\nFN x\nTEL 1\nEND VCARD\n"_qs;
        QTest::newRow("no VERSION: 2.1, a path's backslashes text")
            << QByteArray("NOTE:C:\\Users\\new\r\nN:a\\;b;c")
            << u"NOTE C:\\Users\\new\nN a;b;c | a;b | c\n"_qs;
        QTest::newRow("a soft break never takes in the END line")
            << QByteArray("VERSION:2.1\r\nNOTE;QUOTED-PRINTABLE:abc=\r\nEND:VCARD\r\n")
            << u"VERSION 2.1\nNOTE abc=\nEND VCARD\n"_qs;
        QTest::newRow("an AGENT's card is its value, on its lines or on its own line")
            << QByteArray(
                   "VERSION:2.1\r\nFN:Boss\r\nAGENT:\r\nBEGIN:VCARD\r\nFN:Aide\r\nTEL:1\r\nEND:VCARD\r\n"
                   "TEL:2\r\nitem1.Agent;X-A=b:begin:vcard\r\nFN:Two\r\nEND:VCARD\r\nAGENT:\r\nNOTE:n\r\n"
                   "END:VCARD")
            << u"VERSION 2.1\nFN Boss\nAGENT BEGIN:VCARD↵FN:Aide↵TEL:1↵END:VCARD\nTEL 2\n"
               "AGENT begin:vcard↵FN:Two↵END:VCARD\nAGENT \nNOTE n\nEND VCARD\n"_qs;
        QTest::newRow("empty") << QByteArray() << QString();
    }
    void read() {
        QFETCH(QByteArray, card);
        QString shown;
        for (const zt::CardProperty& p : zt::readCardProperties(card)) {
            QString line = p.name + (p.types.isEmpty() ? QString() : u'[' + p.types.join(u',') + u']');
            line += u' ' + p.value + (p.parts.size() > 1 ? u" | "_qs + p.parts.join(u" | "_qs) : QString());
            shown += line.replace(u'\n', u'↵') + u'\n';
        }
        QTEST(shown, "expected");
    }
};

QTEST_APPLESS_MAIN(TestCardProperties)
#include "tst_card_properties.moc"
