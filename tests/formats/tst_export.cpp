// The writers against their golden files under tests/data, what each promises
// about the file itself, and the job windows as the user meets them.
#include <QComboBox>
#include <QLabel>

#include "faults.h"
#include "formats/csv_writer.h"
#include "formats/edmax_writer.h"
#include "formats/tsurukame_writer.h"
#include "formats/vcard_writer.h"
#include "import/address_book_import.h"
#include "platform/desktop.h"
#include "platform/error.h"
#include "shell/status_label.h"
#include "shell/ui_font.h"
#include "test_support.h"
#include "windows/csv_window.h"
#include "windows/edmax_window.h"
#include "windows/google_csv_window.h"
#include "windows/import_window.h"
#include "windows/ldif_window.h"
#include "windows/outlook_csv_window.h"
#include "windows/tsurukame_window.h"
#include "windows/vcard_window.h"

enum class Writer { Csv, EdMax, Tsurukame, VCard };
Q_DECLARE_METATYPE(Writer)
enum class Fault { TargetIsFolder, FolderGone, DiskFull, ReadOnly, HeldOpen };
Q_DECLARE_METATYPE(Fault)
using Make = JobWindow* (*)(zt::Database&, const QString&);
Q_DECLARE_METATYPE(Make)

namespace {

qsizetype write(Writer writer, zt::Database& db, const QString& path, QChar choice) {
    switch (writer) {
        case Writer::Csv:
            return zt::writeCsv(db, path);
        case Writer::EdMax:
            return zt::writeEdMax(db, path, choice);
        case Writer::Tsurukame:
            return zt::writeTsurukame(db, path, choice, [] { return QDate(2024, 4, 1); });
        case Writer::VCard:
            return zt::writeVCard(db, path);
    }
    return 0;
}

const QByteArray kOldRun("an earlier run\r\n");

template <class Window>
JobWindow* make(zt::Database& db, const QString& folder) {
    if constexpr (std::is_same_v<Window, ZTAdrF01>) {
        return new ZTAdrF01(db);
    } else {
        return new Window(db, folder);
    }
}

}  // namespace

class TestExport : public GuiTest {
    Q_OBJECT
private slots:
    // The program's own font: the designed labels are sized for its lines.
    void initTestCase() { QApplication::setFont(ZTAdrM1::GothicFont(9)); }

    void init() {
        reset();
        work->person("G", "n", "a", "c", "", "t");
    }

    // Each golden file is the row's name; the rows come from tests/data/<rows>.rows.
    void workedExamples_data() {
        QTest::addColumn<Writer>("writer");
        QTest::addColumn<QChar>("choice");
        QTest::addColumn<QString>("rows");
        QTest::newRow("csv_worked_example.txt") << Writer::Csv << QChar() << "csv_worked_example";
        QTest::newRow("edmax_worked_example.adr") << Writer::EdMax << QChar('5') << "edmax_worked_example";
        QTest::newRow("tsurukame_worked_example.txt")
            << Writer::Tsurukame << QChar('1') << "tsurukame_worked_example";
        // Escaping in every value but the separators, every kind of line
        // break; folding past 75 octets, never inside a UTF-8 sequence.
        for (const char* rows : {"vcard_escaping", "vcard_folding"}) {
            QTest::addRow("%s.vcf", rows) << Writer::VCard << QChar() << rows;
        }
        // Each memo layout and remarks choice on the same awkward people.
        for (char layout = '1'; layout <= '8'; ++layout) {
            QTest::addRow("edmax_layout_%c.adr", layout) << Writer::EdMax << QChar(layout) << "layouts";
        }
        QTest::newRow("edmax_no_layout.adr") << Writer::EdMax << QChar() << "layouts";
        for (char choice = '1'; choice <= '5'; ++choice) {
            QTest::addRow("tsurukame_choice_%c.txt", choice)
                << Writer::Tsurukame << QChar(choice) << "layouts";
        }
        // Bytes as ever, "?" where CP932 has no code; the report beside them
        // names each person and field that lost something.
        QTest::newRow("cp932_losses.txt") << Writer::Csv << QChar() << "cp932_losses";
        QTest::newRow("cp932_losses.adr") << Writer::EdMax << QChar('1') << "cp932_losses";
        QTest::newRow("cp932_losses_tsurukame.txt") << Writer::Tsurukame << QChar('1') << "cp932_losses";
        // Only what the layout writes: here no title, there no department.
        QTest::newRow("cp932_losses_department.adr") << Writer::EdMax << QChar('6') << "cp932_losses";
        QTest::newRow("cp932_losses_title.txt") << Writer::Tsurukame << QChar('3') << "cp932_losses";
    }

    void workedExamples() {
        QFETCH(Writer, writer);
        QFETCH(QChar, choice);
        QFETCH(QString, rows);
        WorkDb w;
        storeRows(w, rows);
        compareOutput(w.outDir(), QString::fromUtf8(QTest::currentDataTag()),
                      [&](const QString& path) { return write(writer, *w.db, path, choice); });
    }

    // An empty database replaces an earlier file with an empty one; a run that
    // fails part way puts no partly written file in place of the earlier one
    // or where there was none, and leaves no temporary file beside it.
    void oldFile_data() {
        QTest::addColumn<Writer>("writer");
        QTest::addColumn<bool>("fails");
        const std::pair<const char*, Writer> writers[] = {{"CSV", Writer::Csv},
                                                          {"EdMax", Writer::EdMax},
                                                          {"Tsurukame", Writer::Tsurukame},
                                                          {"vCard", Writer::VCard}};
        for (const auto& [name, writer] : writers) {
            QTest::addRow("%s, empty database", name) << writer << false;
            QTest::addRow("%s, failing", name) << writer << true;
        }
    }

    void oldFile() {
        QFETCH(Writer, writer);
        QFETCH(bool, fails);
        WorkDb w;
        writeFile(w.out("book.txt"), kOldRun);
        if (fails) {
            w.person("G", "n", "a", "c", "d", "t");
            w.db->Execute(u"DROP TABLE グループ情報"_qs);
            QVERIFY_THROWS_EXCEPTION(zt::Error, write(writer, *w.db, w.out("book.txt"), u'1'));
            QVERIFY_THROWS_EXCEPTION(zt::Error, write(writer, *w.db, w.out("new.txt"), u'1'));
        } else {
            write(writer, *w.db, w.out("book.txt"), u'1');
        }
        QCOMPARE(fileBytes(w.out("book.txt")), fails ? kOldRun : QByteArray(""));
        QCOMPARE(w.outFiles(), QStringList{"book.txt"});
    }

    // The window writes the worked example with the layout chosen, dated today.
    // tests/data/<window>.shown: its title, status and message boxes, a blank
    // line between them.
    void runs_data() {
        QTest::addColumn<Make>("make");
        QTest::addColumn<int>("items");   // each "<digit> <text>", numbered from 1
        QTest::addColumn<int>("chosen");  // list index
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("file");
        QTest::newRow("ZTAdrF02") << &make<ZTAdrF02> << 0 << 0 << "csv_worked_example"
                                  << "csv_worked_example.txt"
                                  << "ZTAdrF02.txt";
        QTest::newRow("ZTAdrF03") << &make<ZTAdrF03> << 0 << 0 << "vcard_worked_example"
                                  << "vcard_worked_example.vcf"
                                  << "ZTAdrF03.vcf";
        QTest::newRow("ZTAdrF04") << &make<ZTAdrF04> << 0 << 0 << "vcard_worked_example"
                                  << "vcard_worked_example.csv"
                                  << "ZTAdrF04.csv";
        QTest::newRow("ZTAdrF05") << &make<ZTAdrF05> << 8 << 4 << "layouts"
                                  << "edmax_layout_5.adr"
                                  << "常用アドレス.adr";
        QTest::newRow("ZTAdrF06") << &make<ZTAdrF06> << 5 << 2 << "layouts"
                                  << "tsurukame_choice_3.txt"
                                  << "AdrBook.txt";
        // After the file, and its completion box where there is one, the box
        // that points to the loss report.
        QTest::newRow("ZTAdrF02_losses") << &make<ZTAdrF02> << 0 << 0 << "cp932_losses"
                                         << "cp932_losses.txt"
                                         << "ZTAdrF02.txt";
        QTest::newRow("ZTAdrF04_losses") << &make<ZTAdrF04> << 0 << 0 << "full_cards"
                                         << "full_cards.csv"
                                         << "ZTAdrF04.csv";
        QTest::newRow("ZTAdrF06_losses") << &make<ZTAdrF06> << 5 << 0 << "cp932_losses"
                                         << "cp932_losses_tsurukame.txt"
                                         << "AdrBook.txt";
        QTest::newRow("ZTAdrF07") << &make<ZTAdrF07> << 0 << 0 << "vcard_worked_example"
                                  << "vcard_worked_example.ldif"
                                  << "ZTAdrF07.ldif";
        QTest::newRow("ZTAdrF08") << &make<ZTAdrF08> << 0 << 0 << "vcard_worked_example"
                                  << "vcard_worked_example.google.csv"
                                  << "ZTAdrF08.csv";
    }

    void runs() {
        QFETCH(Make, make);
        QFETCH(int, items);
        QFETCH(int, chosen);
        QFETCH(QString, rows);
        QFETCH(QString, expected);
        QFETCH(QString, file);
        work = std::make_unique<WorkDb>();
        if (const QString book = testData(u"books/"_qs + rows); QFileInfo(book).isDir()) {
            zt::importAddressBook(*work->db, book);
        } else {
            storeRows(*work, rows);
        }
        const QString path = work->out(file);
        JobWindow* job = make(*work->db, work->outDir());
        show(job);
        QStringList shown{job->windowTitle(), job->状況表示->text()};
        if (auto* list = job->findChild<QComboBox*>()) {
            QCOMPARE(list->count(), items);
            for (int i = 0; i < items; ++i) {
                QVERIFY(list->itemText(i).startsWith(QString::number(i + 1) + u' '));
            }
            QCOMPARE(list->currentIndex(), 0);
            list->setCurrentIndex(chosen);
        }

        QVERIFY(run(job));
        QCOMPARE(fileBytes(path),
                 fileBytes(testData(expected))
                     .replace("2024/04/01", QDate::currentDate().toString(u"yyyy/MM/dd").toLatin1()));
        shown << boxes();
        QCOMPARE(shown.join(u"\n\n"_qs).replace(path, u"{path}"_qs) + u'\n',
                 QString::fromUtf8(fileBytes(testData(QTest::currentDataTag() + u".shown"_qs))));
        // Only the CSV file goes to the desktop, and only once it is complete.
        QCOMPARE(zt::Desktop::opened(), file == u"ZTAdrF02.txt"_qs ? QStringList{path} : QStringList{});
    }

    // However deep the folder, the status label shows its text whole, in lines
    // that fit, and the label, button and window grow by the same height; a
    // short path leaves the window at its designed size.
    void statusShowsWholePath_data() {
        QTest::addColumn<Make>("make");
        QTest::addColumn<QSize>("client");  // twips
        QTest::addColumn<QString>("file");  // the output's name; none: the import shows its folder
        QTest::newRow("ZTAdrF01") << &make<ZTAdrF01> << QSize(4680, 1890) << QString();
        QTest::newRow("ZTAdrF02") << &make<ZTAdrF02> << QSize(4680, 1890) << "ZTAdrF02.txt";
        QTest::newRow("ZTAdrF03") << &make<ZTAdrF03> << QSize(4680, 1890) << "ZTAdrF03.vcf";
        QTest::newRow("ZTAdrF05") << &make<ZTAdrF05> << QSize(5400, 2190) << "常用アドレス.adr";
        QTest::newRow("ZTAdrF06") << &make<ZTAdrF06> << QSize(4680, 2190) << "AdrBook.txt";
    }

    void statusShowsWholePath() {
        QFETCH(Make, make);
        QFETCH(QSize, client);
        QFETCH(QString, file);
        // 150 characters, one folder wider than any status label.
        QString deep = work->dir.path() +
                       u"/ダウンロード/ztadrcnv-main/a-checkout-whose-folder-name-alone-is-"
                       u"wider-than-a-line/AddrBook/"_qs;
        deep += QString(150 - deep.size(), u'b');

        QRect shortLabel, shortButton;
        for (const QString& folder : {u"/tools"_qs, deep}) {
            std::unique_ptr<JobWindow> window(make(*work->db, folder));
            show(window.get());
            if (file.isEmpty()) {
                window->setStatus(folder + u"\r\nから読み込み"_qs);
            }
            const auto* label = static_cast<StatusLabel*>(window->状況表示);
            const QString path = file.isEmpty() ? folder : folder + u'/' + file;
            QVERIFY(label->text().contains(u'\n' + path + u'\n') || label->text().startsWith(path + u'\n'));
            const Qt::WindowFlags all = Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint |
                                        Qt::WindowCloseButtonHint | Qt::WindowTitleHint;
            QCOMPARE(window->windowFlags() & all, all & ~Qt::WindowMaximizeButtonHint);
            if (folder != deep) {
                QCOMPARE(window->size(), client / 15);
                QVERIFY(label->geometry().bottom() < window->処理実行->geometry().top());
                shortLabel = label->geometry();
                shortButton = window->処理実行->geometry();
                continue;
            }

            const int growth = label->height() - shortLabel.height();
            QCOMPARE(label->geometry(), shortLabel.adjusted(0, 0, 0, growth));
            QCOMPARE(window->処理実行->geometry(), shortButton.translated(0, growth));
            QCOMPARE(window->size(), client / 15 + QSize(0, growth));
            const QStringList lines = label->displayLines();
            QCOMPARE(lines.join(QString()), QString(label->text()).remove(u'\n'));
            QVERIFY(lines.size() * label->fontMetrics().lineSpacing() <= label->height());
            for (const QString& line : lines) {
                QVERIFY2(label->fontMetrics().horizontalAdvance(line) <= label->width(), qPrintable(line));
            }
        }
    }

    void unwritableTarget_data() {
        QTest::addColumn<Make>("make");
        QTest::addColumn<QString>("file");
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("message");  // %1: the target
        // Every window writes through the same writer; each fault is met once.
        QTest::newRow("target is a folder")
            << &make<ZTAdrF02> << "ZTAdrF02.txt" << Fault::TargetIsFolder
            << u"ファイルを作成できません: %1（同じ名前のフォルダがあります）"_qs;
        QTest::newRow("program folder gone")
            << &make<ZTAdrF05> << "常用アドレス.adr" << Fault::FolderGone
            << u"ファイルを作成できません: %1（フォルダが見つかりません）"_qs;
        QTest::newRow("disk full") << &make<ZTAdrF03> << "ZTAdrF03.vcf" << Fault::DiskFull
                                   << u"ファイルに書き込めません: %1（File too large）"_qs;
        QTest::newRow("read-only target") << &make<ZTAdrF04> << "ZTAdrF04.csv" << Fault::ReadOnly
                                          << u"ファイルを作成できません: %1（ファイルが読み取り専用です）"_qs;
        // The CSV is opened in a spreadsheet, which keeps it from being replaced.
        QTest::newRow("target open in another program")
            << &make<ZTAdrF02> << "ZTAdrF02.txt" << Fault::HeldOpen
            << u"ファイルを保存できません: %1（ほかのプログラムが使用中です。そのプログラムで閉じてから、やり直してください）"_qs;
    }

    void unwritableTarget() {
        QFETCH(Make, make);
        QFETCH(QString, file);
        QFETCH(Fault, fault);
        QFETCH(QString, message);
        const QString folder = fault == Fault::FolderGone ? work->out("gone") : work->outDir();
        JobWindow* job = make(*work->db, folder);
        const QString target = folder + u'/' + file;
        if (fault == Fault::TargetIsFolder) {
            QVERIFY(QDir().mkdir(target));
        } else if (fault != Fault::FolderGone) {
            writeFile(target, kOldRun);
        }
        if (fault == Fault::ReadOnly) {
            if (!permissionsHold()) {
                QSKIP("root may replace a read-only file");
            }
            QFile::setPermissions(target, QFile::ReadOwner);
        }
        show(job);
        bool closed = false;
        {
            DiskFull diskFull;
            HeldOpen heldOpen;
            if (fault == Fault::DiskFull && !diskFull.start()) {
                QSKIP("this system has no limit of a file's size to stand for a full disk");
            }
            if (fault == Fault::HeldOpen && !heldOpen.start(target)) {
                QSKIP("a file open in another program is not locked here");
            }
            closed = run(job);
        }
        if (fault == Fault::ReadOnly) {
            QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
        }

        QVERIFY(closed);
        QCOMPARE(boxes(), QStringList{fatal(message.arg(QDir::toNativeSeparators(target)))});
        QVERIFY(zt::Desktop::opened().isEmpty());
        QCOMPARE(work->outFiles(), fault == Fault::FolderGone ? QStringList{} : QStringList{file});
        if (fault == Fault::TargetIsFolder) {
            QVERIFY(QDir(target).isEmpty());
        } else if (fault != Fault::FolderGone) {
            QCOMPARE(fileBytes(target), kOldRun);
        }
    }
};

QTEST_MAIN(TestExport)
#include "tst_export.moc"
