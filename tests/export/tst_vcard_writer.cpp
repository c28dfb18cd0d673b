#include <QtTest>

#include "export/vcard_writer.h"
#include "platform/error.h"
#include "test_support.h"

namespace {

QByteArray written(WorkDb& w) {
    const QString path = w.out("ZTAdrF03.vcf");
    zt::writeVCard(*w.db, path);
    return fileBytes(path);
}

// The file's lines, each of which must end in CR LF.
QStringList lines(WorkDb& w) {
    const QByteArray bytes = written(w);
    if (!bytes.endsWith("\r\n")) {
        return {"<no CR LF at the end>"};
    }
    return QString::fromUtf8(bytes.chopped(2)).split(u"\r\n"_qs);
}

}  // namespace

class TestVCardWriter : public QObject {
    Q_OBJECT
private slots:
    void workedExample() {
        WorkDb w;
        w.person("仕事", "山田 太郎", "taro@example.jp", "東西商事㈱", "営業部", "課長");
        w.person(kNull, "Ito, Ken", "ken@example.jp", "", "", kNull);
        w.member("友人", "山田 太郎", "taro@example.jp");

        QCOMPARE(written(w), fileBytes(ZT_TEST_DATA "/vcard_worked_example.vcf"));
    }

    void card_data() {
        QTest::addColumn<zt::FieldValue>("group");
        QTest::addColumn<zt::FieldValue>("name");
        QTest::addColumn<zt::FieldValue>("address");
        QTest::addColumn<zt::FieldValue>("company");
        QTest::addColumn<zt::FieldValue>("department");
        QTest::addColumn<zt::FieldValue>("title");
        QTest::addColumn<QStringList>("expected");  // the lines between VERSION and END
        using V = zt::FieldValue;
        QTest::newRow("special characters")
            << V("x,y") << V("a\\b,c;d") << V("a@example.jp") << V("A,B;C") << V("部") << V("課長")
            << QStringList{"FN:a\\\\b\\,c\\;d", "N:a\\\\b\\,c\\;d;;;;", "EMAIL;TYPE=INTERNET:a@example.jp",
                           "ORG:A\\,B\\;C;部",  "TITLE:課長",           "CATEGORIES:x\\,y"};
        QTest::newRow("line breaks, no address")
            << kNull << V("n") << V("") << V("1\r\r\n2") << V("") << V("a\r\nb\nc\rd")
            << QStringList{"FN:n", "N:n;;;;", "ORG:1\\n\\n2", "TITLE:a\\nb\\nc\\nd"};
        QTest::newRow("empty name, company only")
            << kNull << V("") << V("x@example.jp") << V("東西商事") << V("") << V("")
            << QStringList{"FN:x@example.jp", "N:x@example.jp;;;;", "EMAIL;TYPE=INTERNET:x@example.jp",
                           "ORG:東西商事"};
        QTest::newRow("NULL name, department only")
            << kNull << kNull << V("x@example.jp") << kNull << V("営業部") << kNull
            << QStringList{"FN:x@example.jp", "N:x@example.jp;;;;", "EMAIL;TYPE=INTERNET:x@example.jp",
                           "ORG:;営業部"};
    }

    void card() {
        QFETCH(zt::FieldValue, group);
        QFETCH(zt::FieldValue, name);
        QFETCH(zt::FieldValue, address);
        QFETCH(zt::FieldValue, company);
        QFETCH(zt::FieldValue, department);
        QFETCH(zt::FieldValue, title);
        QFETCH(QStringList, expected);
        WorkDb w;
        if (group) {
            w.member(group, name, address);
        }
        w.entry(name, address, company, department, title);
        expected.prepend("VERSION:3.0");
        expected.prepend("BEGIN:VCARD");
        expected.append("END:VCARD");
        QCOMPARE(lines(w), expected);
    }

    void folding_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("company");
        QTest::addColumn<int>("physicalLines");
        // FN at exactly 75 octets stays whole; N, three octets longer, is folded.
        QTest::newRow("ASCII at the limit") << QString(72, u'x') << "" << 7;
        // ORG: 4 + 80 × 3 octets: 23 characters on the first line, 24 after
        // each continuation's space, 9 on the last.
        QTest::newRow("Japanese company") << "n" << QString("株式会社東西商事").repeated(10) << 10;
        // Four octets each: FN's first line is full at 75, N's stops at 74.
        QTest::newRow("astral characters") << QString("\U0001F600").repeated(20) << "" << 8;
    }

    // Every physical line at most 75 octets and whole UTF-8, no more lines than
    // needed, and unfolding gives back the logical lines.
    void folding() {
        QFETCH(QString, name);
        QFETCH(QString, company);
        QFETCH(int, physicalLines);
        WorkDb w;
        w.entry(name, "a@example.jp", company, "", kNull);

        const QByteArray bytes = written(w);
        QVERIFY(bytes.endsWith("\r\n"));
        const QList<QByteArray> physical = bytes.chopped(1).split('\n');  // each keeps its CR
        QCOMPARE(physical.size(), physicalLines);
        QString unfolded;
        for (const QByteArray& line : physical) {
            QVERIFY2(line.endsWith('\r') && line.size() - 1 <= 75, line.constData());
            // A sequence cut in two decodes as U+FFFD on both lines.
            const QString text = QString::fromUtf8(line.chopped(1));
            QVERIFY2(!text.contains(QChar::ReplacementCharacter), line.constData());
            unfolded += text.startsWith(u' ') ? text.sliced(1) : u'\n' + text;
        }
        const QStringList logical = unfolded.split(u'\n', Qt::SkipEmptyParts);
        QVERIFY(logical.contains("FN:" + name));
        QVERIFY(logical.contains("N:" + name + ";;;;"));
        QVERIFY(company.isEmpty() || logical.contains("ORG:" + company));
    }

    // A pair's groups come from all its rows, however far apart; the same name
    // with another address is another card.
    void mergedGroups() {
        WorkDb w;
        w.person("G1", "A", "a", "", "", kNull);
        w.person(kNull, "B", "b", "", "", kNull);
        w.person("G3", "A", "a2", "", "", kNull);
        w.member("G,2", "A", "a");
        QStringList kept;
        for (const QString& line : lines(w)) {
            if (line.startsWith("EMAIL") || line.startsWith("CATEGORIES")) {
                kept << line;
            }
        }
        QCOMPARE(kept, (QStringList{"EMAIL;TYPE=INTERNET:a", "CATEGORIES:G1,G\\,2", "EMAIL;TYPE=INTERNET:b",
                                    "EMAIL;TYPE=INTERNET:a2", "CATEGORIES:G3"}));
    }

    void emptyDatabase() {
        WorkDb w;
        const QString path = w.out("ZTAdrF03.vcf");
        writeFile(path, "an earlier run\r\n");
        zt::writeVCard(*w.db, path);
        QCOMPARE(fileBytes(path), QByteArray());
        QCOMPARE(w.outFiles(), QStringList{"ZTAdrF03.vcf"});
    }

    void targetIsFolder() {
        WorkDb w;
        w.person("G", "n", "a", "c", "d", "t");
        const QString path = w.out("ZTAdrF03.vcf");
        QVERIFY(QDir().mkdir(path));
        try {
            zt::writeVCard(*w.db, path);
            QFAIL("no error");
        } catch (const zt::Error& e) {
            QVERIFY2(e.text().contains(QDir::toNativeSeparators(path)), e.what());
        }
        QVERIFY(QDir(path).isEmpty());
        QCOMPARE(w.outFiles(), QStringList{"ZTAdrF03.vcf"});
    }
};

QTEST_GUILESS_MAIN(TestVCardWriter)
#include "tst_vcard_writer.moc"
