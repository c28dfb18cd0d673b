#include <QtTest>

#include "export/tsurukame_writer.h"
#include "test_support.h"

namespace {

QDate aprilFirst() {
    return QDate(2024, 4, 1);
}

// The CP932 bytes of the worked example's names: 田中太郎 伊藤一郎 佐藤花子 中村,
// 東西商事 南北工業 営業部 総務部 課長 部長 仕事 友人.
const QByteArray Tanaka("\x93\x63\x92\x86\x91\xbe\x98\x59"), Ito("\x88\xc9\x93\xa1\x88\xea\x98\x59"),
    Sato("\x8d\xb2\x93\xa1\x89\xd4\x8e\x71"), Nakamura("\x92\x86\x91\xba"),
    Touzai("\x93\x8c\x90\xbc\x8f\xa4\x8e\x96"), Nanboku("\x93\xec\x96\x6b\x8d\x48\x8b\xc6"),
    Eigyoubu("\x89\x63\x8b\xc6\x95\x94"), Soumubu("\x91\x8d\x96\xb1\x95\x94"), Kachou("\x89\xdb\x92\xb7"),
    Buchou("\x95\x94\x92\xb7"), Shigoto("\x8e\x64\x8e\x96"), Yuujin("\x97\x46\x90\x6c");

}  // namespace

class TestTsurukameWriter : public QObject {
    Q_OBJECT
private slots:
    void workedExample() {
        WorkDb w;
        w.person(kNull, "田中太郎", "a1", "東西商事", "営業部", "課長");
        w.person("仕事", "伊藤一郎", "a2", "南北工業", "", "部長");
        w.person("仕事", "佐藤花子", "a3", "東西商事", "総務部", kNull);
        w.person("友人", "中村", "a4", "", "", "");

        zt::writeTsurukame(*w.db, w.out("AdrBook.txt"), u'1', aprilFirst);

        QCOMPARE(fileBytes(w.out("AdrBook.txt")),
                 Tanaka + ",a1,2024/04/01," + Touzai + "," + Eigyoubu + "," + Kachou + "\r\nG1 " + Shigoto +
                     "\r\n" + Ito + ",a2,2024/04/01," + Nanboku + ",," + Buchou + "\r\n" + Sato +
                     ",a3,2024/04/01," + Touzai + "," + Soumubu + "\r\nG1 " + Yuujin + "\r\n" + Nakamura +
                     ",a4,2024/04/01,\r\n");
    }

    // One entry in no group: the file is "n,a,2024/04/01" + remarks + CR LF.
    void remarks_data() {
        QTest::addColumn<QChar>("choice");
        QTest::addColumn<zt::FieldValue>("company");
        QTest::addColumn<zt::FieldValue>("department");
        QTest::addColumn<zt::FieldValue>("title");
        QTest::addColumn<QByteArray>("remarks");
        const zt::FieldValue c("C"), d("D"), t("T"), empty(""), blank(" ");

        QTest::newRow("1 title, NULL department") << QChar('1') << c << kNull << t << QByteArray(",C,,T");
        QTest::newRow("1 department, NULL title") << QChar('1') << c << d << kNull << QByteArray(",C,D");
        QTest::newRow("1 all NULL") << QChar('1') << kNull << kNull << kNull << QByteArray(",");
        QTest::newRow("1 blank department") << QChar('1') << c << blank << kNull << QByteArray(",C, ");
        QTest::newRow("2 ignores the title") << QChar('2') << c << empty << t << QByteArray(",C");
        QTest::newRow("3 ignores the department") << QChar('3') << c << d << empty << QByteArray(",C");
        QTest::newRow("4 empty company") << QChar('4') << empty << d << t << QByteArray(",");
        QTest::newRow("4 comma kept")
            << QChar('4') << zt::FieldValue("A, Inc.") << d << t << QByteArray(",A, Inc.");
        QTest::newRow("5") << QChar('5') << c << d << t << QByteArray();
        QTest::newRow("no choice") << QChar() << c << d << t << QByteArray();
    }

    void remarks() {
        QFETCH(QChar, choice);
        QFETCH(zt::FieldValue, company);
        QFETCH(zt::FieldValue, department);
        QFETCH(zt::FieldValue, title);
        QFETCH(QByteArray, remarks);
        WorkDb w;
        w.entry("n", "a", company, department, title);

        zt::writeTsurukame(*w.db, w.out("AdrBook.txt"), choice, aprilFirst);

        QCOMPARE(fileBytes(w.out("AdrBook.txt")), "n,a,2024/04/01" + remarks + "\r\n");
    }

    // A quote in a group name is data, not SQL; a group whose memberships lead to
    // no entry keeps its heading.
    void groupsBoundAndEmpty() {
        WorkDb w;
        w.person("営業'部", "x", "ax", "", "", kNull);
        w.person("営業'部", "w", "aw", "", "", kNull);
        w.member("営業", "gone", "ay");

        zt::writeTsurukame(*w.db, w.out("AdrBook.txt"), u'5', aprilFirst);

        QCOMPARE(fileBytes(w.out("AdrBook.txt")), QByteArray("G1 \x89\x63\x8b\xc6\r\n"
                                                             "G1 \x89\x63\x8b\xc6'\x95\x94\r\n"
                                                             "w,aw,2024/04/01\r\n"
                                                             "x,ax,2024/04/01\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestTsurukameWriter)
#include "tst_tsurukame_writer.moc"
