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

using Write = void (*)(zt::Database&, const QString&);
Q_DECLARE_METATYPE(Write)

class TestPeople : public GuiTest {
    Q_OBJECT
private slots:
    void init() { reset(); }

    void nameRule_data() {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("given");
        const struct {
            const char* tag;
            QString shown, family, given;
        } rows[] = {
            {"comma", u"O'Brien, Pat"_qs, u"O'Brien"_qs, u"Pat"_qs},
            {"comma, kanji", u"鈴木, 次郎"_qs, u"鈴木"_qs, u"次郎"_qs},
            {"full-width comma", u"鈴木，次郎"_qs, u"鈴木"_qs, u"次郎"_qs},
            {"blanks around the parts", u"  Ito ,\u3000Ken Taro "_qs, u"Ito"_qs, u"Ken Taro"_qs},
            {"comma with nothing after it", u"Ito,"_qs, u"Ito,"_qs, {}},
            {"two commas, two spaces", u"Ito, Ken, Jr"_qs, u"Ito, Ken, Jr"_qs, {}},
            {"kanji, space", u"山田 太郎"_qs, u"山田"_qs, u"太郎"_qs},
            {"kanji, ideographic space", u"山田\u3000太郎"_qs, u"山田"_qs, u"太郎"_qs},
            {"latin, space", u"Ken Ito"_qs, u"Ito"_qs, u"Ken"_qs},
            {"latin, ideographic space", u"Ken\u3000Ito"_qs, u"Ito"_qs, u"Ken"_qs},
            {"any kanji puts the family first", u"Ken 伊藤"_qs, u"Ken"_qs, u"伊藤"_qs},
            {"leading and trailing blanks", u" Ken Ito "_qs, u"Ito"_qs, u"Ken"_qs},
            {"two spaces", u"Ken  Ito"_qs, u"Ken  Ito"_qs, {}},
            {"TAB is no space", u"Ken\tIto"_qs, u"Ken\tIto"_qs, {}},
            {"no separator", u"髙橋①子"_qs, u"髙橋①子"_qs, {}},
            {"three words", u"Hanako \"Hana\" Sato"_qs, u"Hanako \"Hana\" Sato"_qs, {}},
            {"address", u"user@example.jp"_qs, u"user@example.jp"_qs, {}},
            {"empty", {}, {}, {}},
        };
        for (const auto& row : rows) {
            QTest::newRow(row.tag) << row.shown << row.family << row.given;
        }
        // The ends of each kanji and kana range, and their neighbours outside.
        for (const char16_t c :
             {0x3040, 0x30FF, 0x3400, 0x4DBF, 0x4E00, 0x9FFF, 0xF900, 0xFAFF, 0xFF66, 0xFF9F}) {
            QTest::addRow("U+%04X family first", c) << QChar(c) + u" x"_qs << QString(QChar(c)) << u"x"_qs;
        }
        for (const char16_t c :
             {0x303F, 0x3100, 0x33FF, 0x4DC0, 0x4DFF, 0xA000, 0xF8FF, 0xFB00, 0xFF65, 0xFFA0}) {
            QTest::addRow("U+%04X given first", c) << QChar(c) + u" x"_qs << u"x"_qs << QString(QChar(c));
        }
    }
    void nameRule() {
        QFETCH(QString, shown);
        const zt::PersonName parts = zt::splitName(shown);
        QTEST(parts.family, "family");
        QTEST(parts.given, "given");
    }

    // The hostile rows: a person in three groups (a comma and a semicolon in
    // their names) and stored twice; quotes, commas, semicolons, a line break,
    // a TAB, blanks at the ends, LDIF's "<" and ":" at the start; a long
    // company; no name; neither name nor address; and a NULL name beside an
    // empty one at one address, two people.
    void files_data() {
        QTest::addColumn<Write>("write");
        QTest::addColumn<QString>("rows");
        const std::pair<const char*, Write> writers[] = {
            {"vcf", zt::writeVCard}, {"csv", zt::writeOutlookCsv}, {"ldif", zt::writeLdif}};
        for (const auto& [extension, write] : writers) {
            for (const char* rows :
                 {"vcard_worked_example", "csv_worked_example", "people_hostile", "people_empty"}) {
                QTest::addRow("%s.%s", rows, extension) << write << QString::fromLatin1(rows);
            }
        }
    }
    void files() {
        QFETCH(Write, write);
        QFETCH(QString, rows);
        storeRows(*work, rows);
        write(*work->db, work->out("out"));
        QCOMPARE(fileBytes(work->out("out")),
                 fileBytes(testData(QString::fromLatin1(QTest::currentDataTag()))));
    }

    // A target that cannot be written gets the fatal error, and no temporary
    // file is left beside it.
    void windows_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("unwritable");
        for (const char* file : {"ZTAdrF04.csv", "ZTAdrF07.ldif"}) {
            QTest::addRow("%s", file) << file << false;
            QTest::addRow("%s unwritable", file) << file << true;
        }
    }
    void windows() {
        QFETCH(QString, file);
        QFETCH(bool, unwritable);
        const bool outlook = file.endsWith(u".csv"_qs);
        storeRows(*work, u"vcard_worked_example"_qs);
        const QString path = work->out(file);
        JobWindow* job = outlook ? static_cast<JobWindow*>(new ZTAdrF04(*work->db, work->outDir()))
                                 : new ZTAdrF07(*work->db, work->outDir());
        show(job);
        QCOMPARE(job->windowTitle(), outlook ? u"Outlook 用 CSV 出力"_qs : u"Thunderbird 用 LDIF 出力"_qs);
        QCOMPARE(job->状況表示->text(),
                 (outlook ? u"Outlook の連絡先 CSV（UTF-8）の形式で、\n"_qs
                          : u"LDIF（UTF-8、グループはメーリングリスト）の形式で、\n"_qs) +
                     path + u"\nに出力します。"_qs);
        if (unwritable) {
            QVERIFY(QDir().mkdir(path));
        }
        QVERIFY(run(job));
        QCOMPARE(work->outFiles(), QStringList{file});
        if (unwritable) {
            QCOMPARE(boxes(),
                     {fatal(u"ファイルを作成できません: %1（同じ名前のフォルダがあります）"_qs.arg(path))});
            QVERIFY(QDir(path).isEmpty());
            return;
        }
        QCOMPARE(fileBytes(path), fileBytes(testData(u"vcard_worked_example."_qs + file.section(u'.', 1))));
        const QString whereTo =
            outlook ? u"Outlook では「ファイル」→「開く/エクスポート」→「インポート/エクスポート」、"
                      u"Outlook.com では「連絡先」→「連絡先のインポート」で取り込んでください。"_qs
                    : u"Thunderbird の「ツール」→「インポート」→「アドレス帳」で LDIF "
                      u"ファイルとして取り込むと、グループはメーリングリストになります。"_qs;
        QCOMPARE(boxes(), {u"処理完了|i|Ok|"_qs + path + u"\r\nに出力しました。\r\n"_qs + whereTo});
    }
};

QTEST_MAIN(TestPeople)
#include "tst_people.moc"
