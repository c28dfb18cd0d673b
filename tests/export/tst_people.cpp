// The three outputs for today's mail programs (vCard, Outlook CSV, LDIF) over
// the one reader of people: the name rule, every file byte for byte against
// tests/data, and the Outlook and LDIF windows as the user meets them.
#include "export/ldif_window.h"
#include "export/ldif_writer.h"
#include "export/outlook_csv_window.h"
#include "export/outlook_csv_writer.h"
#include "export/people.h"
#include "export/vcard_writer.h"
#include "test_support.h"

namespace {

using Write = void (*)(zt::Database&, const QString&);

}  // namespace

Q_DECLARE_METATYPE(Write)

class TestPeople : public GuiTest {
    Q_OBJECT
private slots:
    void init() { reset(); }

    void nameRule_data() {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("given");
        QTest::newRow("comma") << "O'Brien, Pat"
                               << "O'Brien"
                               << "Pat";
        QTest::newRow("comma, kanji") << "鈴木, 次郎"
                                      << "鈴木"
                                      << "次郎";
        QTest::newRow("full-width comma") << "鈴木，次郎"
                                          << "鈴木"
                                          << "次郎";
        QTest::newRow("blanks around the parts") << "  Ito ,\u3000Ken Taro "
                                                 << "Ito"
                                                 << "Ken Taro";
        QTest::newRow("comma without a given name") << "Ito,"
                                                    << "Ito,"
                                                    << "";
        QTest::newRow("two commas, two spaces") << "Ito, Ken, Jr"
                                                << "Ito, Ken, Jr"
                                                << "";
        QTest::newRow("kanji, space") << "山田 太郎"
                                      << "山田"
                                      << "太郎";
        QTest::newRow("kanji, ideographic space") << "山田\u3000太郎"
                                                  << "山田"
                                                  << "太郎";
        QTest::newRow("latin, space") << "Ken Ito"
                                      << "Ito"
                                      << "Ken";
        QTest::newRow("latin, ideographic space") << "Ken\u3000Ito"
                                                  << "Ito"
                                                  << "Ken";
        QTest::newRow("mixed: kanji first") << "Ken 伊藤"
                                            << "Ken"
                                            << "伊藤";
        QTest::newRow("leading and trailing blanks") << " Ken Ito "
                                                     << "Ito"
                                                     << "Ken";
        QTest::newRow("two spaces") << "Ken  Ito"
                                    << "Ken  Ito"
                                    << "";
        QTest::newRow("TAB is no space") << "Ken\tIto"
                                         << "Ken\tIto"
                                         << "";
        QTest::newRow("no separator") << "髙橋①子"
                                      << "髙橋①子"
                                      << "";
        QTest::newRow("three words") << "Hanako \"Hana\" Sato"
                                     << "Hanako \"Hana\" Sato"
                                     << "";
        QTest::newRow("address") << "user@example.jp"
                                 << "user@example.jp"
                                 << "";
        QTest::newRow("empty") << ""
                               << ""
                               << "";
        // The ends of each kanji and kana range, and their neighbours outside.
        for (const char16_t c :
             {0x3040, 0x30FF, 0x3400, 0x4DBF, 0x4E00, 0x9FFF, 0xF900, 0xFAFF, 0xFF66, 0xFF9F}) {
            QTest::addRow("U+%04X family first", c)
                << QString(QChar(c)) + u" x"_qs << QString(QChar(c)) << "x";
        }
        for (const char16_t c :
             {0x303F, 0x3100, 0x33FF, 0x4DC0, 0x4DFF, 0xA000, 0xF8FF, 0xFB00, 0xFF65, 0xFFA0}) {
            QTest::addRow("U+%04X given first", c)
                << QString(QChar(c)) + u" x"_qs << "x" << QString(QChar(c));
        }
    }
    void nameRule() {
        QFETCH(QString, shown);
        QFETCH(QString, family);
        QFETCH(QString, given);
        const zt::PersonName parts = zt::splitName(shown);
        QCOMPARE(parts.family, family);
        QCOMPARE(parts.given, given);
    }

    // The hostile rows: a person in three groups (a comma and a semicolon in
    // their names) and stored twice; quotes, commas, semicolons, a line break,
    // a TAB, blanks at the ends, LDIF's "<" and ":" at the start; a long
    // company; no name; neither name nor address; and a NULL name beside an
    // empty one at one address, two people.
    void files_data() {
        QTest::addColumn<Write>("write");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("expected");
        const std::pair<const char*, Write> writers[] = {
            {"vcf", zt::writeVCard}, {"csv", zt::writeOutlookCsv}, {"ldif", zt::writeLdif}};
        for (const auto& [extension, write] : writers) {
            for (const char* rows :
                 {"vcard_worked_example", "csv_worked_example", "people_hostile", "people_empty"}) {
                QTest::addRow("%s %s", rows, extension) << write << rows << u"%1.%2"_qs.arg(rows, extension);
            }
        }
    }
    void files() {
        QFETCH(Write, write);
        QFETCH(QString, rows);
        QFETCH(QString, expected);
        storeRows(*work, rows);
        write(*work->db, work->out("out"));
        QCOMPARE(fileBytes(work->out("out")), fileBytes(testData(expected)));
    }

    // A target that cannot be written gets the fatal error, and no temporary
    // file is left beside it.
    void windows_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("whereTo");
        QTest::addColumn<bool>("unwritable");
        const QString outlook =
            u"Outlook では「ファイル」→「開く/エクスポート」→「インポート/エクスポート」、"
            u"Outlook.com では「連絡先」→「連絡先のインポート」で取り込んでください。"_qs;
        const QString thunderbird =
            u"Thunderbird の「ツール」→「インポート」→「アドレス帳」で LDIF "
            u"ファイルとして取り込むと、グループはメーリングリストになります。"_qs;
        for (const bool unwritable : {false, true}) {
            QTest::addRow("ZTAdrF04%s", unwritable ? " unwritable" : "")
                << "ZTAdrF04"
                << "Outlook 用 CSV 出力"
                << "Outlook の連絡先 CSV（UTF-8）の形式で、"
                << "ZTAdrF04.csv" << outlook << unwritable;
            QTest::addRow("ZTAdrF07%s", unwritable ? " unwritable" : "")
                << "ZTAdrF07"
                << "Thunderbird 用 LDIF 出力"
                << "LDIF（UTF-8、グループはメーリングリスト）の形式で、"
                << "ZTAdrF07.ldif" << thunderbird << unwritable;
        }
    }
    void windows() {
        QFETCH(QString, window);
        QFETCH(QString, title);
        QFETCH(QString, format);
        QFETCH(QString, file);
        QFETCH(QString, whereTo);
        QFETCH(bool, unwritable);
        storeRows(*work, u"vcard_worked_example"_qs);
        const QString path = work->out(file);
        JobWindow* job = window == u"ZTAdrF04"_qs
                             ? static_cast<JobWindow*>(new ZTAdrF04(*work->db, work->outDir()))
                             : new ZTAdrF07(*work->db, work->outDir());
        show(job);
        QCOMPARE(job->windowTitle(), title);
        QCOMPARE(job->状況表示->text(), format + u'\n' + path + u"\nに出力します。"_qs);
        if (unwritable) {
            QVERIFY(QDir().mkdir(path));
        }
        QVERIFY(run(job));
        if (unwritable) {
            QCOMPARE(boxes(),
                     QStringList{fatal(
                         u"ファイルを作成できません: %1（同じ名前のフォルダがあります）"_qs.arg(path))});
            QVERIFY(QDir(path).isEmpty());
        } else {
            const QString golden = u"vcard_worked_example."_qs + file.section(u'.', 1);
            QCOMPARE(fileBytes(path), fileBytes(testData(golden)));
            QCOMPARE(boxes(),
                     QStringList{u"処理完了|i|Ok|"_qs + path + u"\r\nに出力しました。\r\n"_qs + whereTo});
        }
        QCOMPARE(work->outFiles(), QStringList{file});
    }
};

QTEST_MAIN(TestPeople)
#include "tst_people.moc"
