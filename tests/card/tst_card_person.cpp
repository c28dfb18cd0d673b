// A card interpreted into the person model, as the import keeps it: every
// non-empty field a line "field=value", a list's items by ", ", types in
// brackets, a line break as ↵.
#include <QtTest>

#include "card/card_person.h"
#include "platform/cp932.h"

namespace {

QString typed(const QList<zt::TypedValue>& values) {
    QStringList out;
    for (const zt::TypedValue& v : values) {
        out << v.value + (v.types.isEmpty() ? QString() : u'[' + v.types.join(u',') + u']');
    }
    return out.join(u", ");
}

QStringList shown(const zt::CardPerson& card) {
    const zt::Person& p = card.person;
    QStringList addresses, uncarried;
    for (const zt::PostalAddress& a : p.postalAddresses) {
        addresses << QStringList{a.poBox, a.extended, a.street, a.locality, a.region, a.code, a.country}.join(
                         u'|') +
                         (a.types.isEmpty() ? QString() : u'[' + a.types.join(u',') + u']');
    }
    for (const zt::UncarriedProperty& u : p.uncarried) {
        uncarried << u.name + u':' + u.value;
    }
    const std::pair<const char*, QString> fields[] = {
        {"name", card.name()},
        {"fn", card.fn},
        {"n", card.n.join(u';')},
        {"title", card.title},
        {"org",
         !card.org ? QString() : u'[' + (QStringList{card.org->company} + card.org->units).join(u'|') + u']'},
        {"uid", card.uid},
        {"reading", p.phoneticFamily + u'/' + p.phoneticGiven},
        {"nickname", p.nickname},
        {"emails", typed(p.emails)},
        {"phones", typed(p.phones)},
        {"addresses", addresses.join(u", ")},
        {"pages", typed(p.webPages)},
        {"note", p.note},
        {"birthday", p.birthday.toString(Qt::ISODate)},
        {"uncarried", uncarried.join(u", ")},
    };
    QStringList lines;
    for (const auto& [field, value] : fields) {
        if (!value.isEmpty() && value != u"/") {
            lines << QString::fromLatin1(field) + u'=' + QString(value).replace(u'\n', u'↵');
        }
    }
    return lines;
}

}  // namespace

class TestCardPerson : public QObject {
    Q_OBJECT
private slots:
    void interpret_data() {
        QTest::addColumn<QString>("card");  // written in CP932
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("the first name of each kind, the further ones uncarried")
            << u"FN:A\r\nFN:B\r\nN:F;G;M;P;S\r\nN:X;Y\r\nNICKNAME:n1\r\nNICKNAME:n2"_qs
            << QStringList{u"name=A"_qs, u"fn=A"_qs, u"n=F;G;M;P;S"_qs, u"nickname=n1"_qs,
                           u"uncarried=FN:B, N:X;Y, NICKNAME:n2"_qs};
        QTest::newRow("a name from N alone")
            << u"N:山田;太郎;;;\r\n"_qs << QStringList{u"name=山田 太郎"_qs, u"n=山田;太郎;;;"_qs};
        QTest::newRow("readings: a typed SOUND first, a second reading and a plain SOUND uncarried")
            << u"SOUND;X-IRMC-N:ﾔﾏﾀﾞ;ﾀﾛｳ\r\nX-PHONETIC-LAST-NAME:later\r\nSOUND:plain"_qs
            << QStringList{u"reading=ﾔﾏﾀﾞ/ﾀﾛｳ"_qs, u"uncarried=X-PHONETIC-LAST-NAME:later, SOUND:plain"_qs};
        QTest::newRow("readings of their own")
            << u"X-PHONETIC-FIRST-NAME:taro\r\nX-PHONETIC-LAST-NAME:yamada"_qs
            << QStringList{u"reading=yamada/taro"_qs};
        QTest::newRow("contacts in card order with their types, empty ones left out")
            << u"EMAIL;TYPE=INTERNET:a@x\r\nEMAIL:\r\nTEL;CELL:090\r\nTEL;WORK;FAX:03\r\nURL:http://x\r\nTEL:"_qs
            << QStringList{u"emails=a@x[INTERNET]"_qs, u"phones=090[CELL], 03[WORK,FAX]"_qs,
                           u"pages=http://x"_qs};
        QTest::newRow("postal addresses: parts past the seventh kept with the country")
            << u"ADR;HOME:a;b;c;d;e;f;g;h;i\r\nADR:;;;;;;\r\nADR:whole"_qs
            << QStringList{u"addresses=a|b|c|d|e|f|g;h;i[HOME], whole||||||"_qs};
        QTest::newRow("notes one line break apart, quoted-printable in either case")
            << u"NOTE:a\r\nNOTE:\r\nNOTE;QUOTED-PRINTABLE:b=0D=0Ac=0dd\r\nNOTE;CHARSET=UTF-8;"
               u"QUOTED-PRINTABLE:=e3=81=82"_qs
            << QStringList{u"note=a↵b↵c↵d↵あ"_qs};
        QTest::newRow(
            "work: the first ORG and TITLE with a value, units unescaped, empty ones at the end dropped")
            << u"ORG:\r\nORG:A\\;B;C;;\r\nORG:Z\r\nTITLE:\r\nTITLE:T1\r\nTITLE:T2"_qs
            << QStringList{u"title=T1"_qs, u"org=[A;B|C]"_qs, u"uncarried=ORG:Z, TITLE:T2"_qs};
        QTest::newRow("an ORG of nothing but separators") << u"ORG:;;"_qs << QStringList{u"org=[]"_qs};
        QTest::newRow("the first UID; the bookkeeping nowhere; the rest uncarried, a binary one by its size")
            << u"VERSION:3.0\r\nUID: urn:uuid:x "
               u"\r\nUID:second\r\nREV:1\r\nPRODID:p\r\nPHOTO;ENCODING=b:AAEC\r\n"
               u"X-FOO:bar\r\nLABEL:l\r\nKEY;ENCODING=b:R0lG\r\nEND:VCARD"_qs
            << QStringList{u"uid=urn:uuid:x"_qs, u"uncarried=PHOTO:3 バイト, X-FOO:bar, LABEL:l, KEY:GIF"_qs};
        QTest::newRow("birthdays: the first readable, a different or unreadable one uncarried")
            << u"BDAY:x\r\nBDAY:2001-02-03T04:05\r\nBDAY:20010203\r\nBDAY:19990101"_qs
            << QStringList{u"birthday=2001-02-03"_qs, u"uncarried=BDAY:x, BDAY:19990101"_qs};
        QTest::newRow("2.1: a backslash is text but before ';' in a value of parts")
            << u"VERSION: 2.1 \r\nFN:C:\\temp\\new\r\nN:a\\;b;c\r\nNOTE:x\\,y\r\nORG:A\\;B;C\\D"_qs
            << QStringList{u"name=C:\\temp\\new"_qs, u"fn=C:\\temp\\new"_qs, u"n=a;b;c;;;"_qs,
                           u"org=[A;B|C\\D]"_qs, u"note=x\\,y"_qs};
        QTest::newRow("bytes CP932 has no character for, reported in hex")
            << QString()
            << QStringList{u"name=a\uFFFD\u007Fb\uFFFD@"_qs, u"fn=a\uFFFD\u007Fb\uFFFD@"_qs,
                           u"uncarried=FN:a<81>\u007Fb<85>@, X-A:<A0><81 FD>"_qs};
        QTest::newRow("3.0 escapes undone in every value")
            << u"VERSION:3.0\r\nFN:Smith\\, John\r\nNOTE:a\\nb\\;c\\\\"_qs
            << QStringList{u"name=Smith, John"_qs, u"fn=Smith, John"_qs, u"note=a↵b;c\\"_qs};
    }
    void interpret() {
        QFETCH(QString, card);
        const QByteArray bytes = card.isNull() ? QByteArray(
                                                     "FN:a\x81\x7F"
                                                     "b\x85\x40\r\nX-A:\xA0\x81\xFD")
                                               : zt::cp932::encode(card);
        QTEST(shown(zt::interpretCard(bytes)), "expected");
    }
};

QTEST_APPLESS_MAIN(TestCardPerson)
#include "tst_card_person.moc"
