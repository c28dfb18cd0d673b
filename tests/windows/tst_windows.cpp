// The job windows as the user meets them: what each shows and writes, how its
// status label fits a deep folder, and a target that cannot be written.
#include <QComboBox>

#include "faults.h"
#include "import/address_book_import.h"
#include "platform/desktop.h"
#include "shell/status_label.h"
#include "shell/ui_font.h"
#include "test_support.h"
#include "windows/import_window.h"
#include "windows/outputs.h"

enum class Fault { DiskFull, ReadOnly, HeldOpen };
Q_DECLARE_METATYPE(Fault)

namespace {

const QByteArray kOldRun("an earlier run\r\n");

// The job window named `window`, writing into `folder`.
JobWindow* openWindow(const QString& window, zt::Database& db, const QString& folder) {
    if (window == u"ZTAdrF01"_qs) {
        return new ZTAdrF01(db);
    }
    return zt::makeOutputWindow(zt::output(window), db, folder);
}

}  // namespace

class TestWindows : public GuiTest {
    Q_OBJECT
private slots:
    // The program's own font: the designed labels are sized for its lines.
    void initTestCase() { QApplication::setFont(ZTAdrM1::GothicFont(9)); }

    void init() {
        reset();
        work->person("G", "n", "a", "c", "", "t");
    }

    // The window writes the worked example with the layout chosen, dated today.
    // tests/data/<window>.shown: its title, status and message boxes, a blank
    // line between them.
    void runs_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<int>("items");   // each "<digit> <text>", numbered from 1
        QTest::addColumn<int>("chosen");  // list index
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* tag, const char* window, int items, int chosen, const char* rows,
                            const char* expected) {
            QTest::newRow(tag) << QString::fromUtf8(window) << items << chosen << QString::fromUtf8(rows)
                               << QString::fromUtf8(expected);
        };
        row("ZTAdrF02", "ZTAdrF02", 0, 0, "csv_worked_example", "csv_worked_example.txt");
        row("ZTAdrF03", "ZTAdrF03", 0, 0, "vcard_worked_example", "vcard_worked_example.vcf");
        row("ZTAdrF04", "ZTAdrF04", 2, 1, "vcard_worked_example", "vcard_worked_example.csv");
        row("ZTAdrF05", "ZTAdrF05", 8, 4, "layouts", "edmax_layout_5.adr");
        row("ZTAdrF06", "ZTAdrF06", 5, 2, "layouts", "tsurukame_choice_3.txt");
        // After the file, and its completion box where there is one, the box
        // that points to the loss report.
        row("ZTAdrF02_losses", "ZTAdrF02", 0, 0, "cp932_losses", "cp932_losses.txt");
        row("ZTAdrF04_losses", "ZTAdrF04", 2, 0, "full_cards", "full_cards.windows.csv");
        row("ZTAdrF02_one_loss", "ZTAdrF02", 0, 0, "one_loss", "one_loss.txt");
        row("ZTAdrF06_losses", "ZTAdrF06", 5, 0, "cp932_losses", "cp932_losses_tsurukame.txt");
        row("ZTAdrF07", "ZTAdrF07", 0, 0, "vcard_worked_example", "vcard_worked_example.ldif");
        row("ZTAdrF08", "ZTAdrF08", 0, 0, "vcard_worked_example", "vcard_worked_example.google.csv");
    }

    void runs() {
        QFETCH(QString, window);
        QFETCH(int, items);
        QFETCH(int, chosen);
        QFETCH(QString, rows);
        QFETCH(QString, expected);
        work = std::make_unique<WorkDb>();
        if (const QString book = testData(u"books/"_qs + rows); QFileInfo(book).isDir()) {
            zt::importAddressBook(*work->db, book);
        } else {
            storeRows(*work, rows);
        }
        const QString path = work->out(zt::output(window).fileName);
        JobWindow* job = openWindow(window, *work->db, work->outDir());
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
        QCOMPARE(shown.join(u"\n\n"_qs).replace(QDir::toNativeSeparators(path), u"{path}"_qs) + u'\n',
                 QString::fromUtf8(fileBytes(testData(QTest::currentDataTag() + u".shown"_qs))));
        // Only the CSV file goes to the desktop, and only once it is complete.
        QCOMPARE(zt::Desktop::opened(), window == u"ZTAdrF02"_qs ? QStringList{path} : QStringList{});
    }

    // However deep the folder, the status label shows its text whole, in lines
    // that fit, and the label, button and window grow by the same height; a
    // short path leaves the window at its designed size.
    void statusShowsWholePath_data() {
        QTest::addColumn<QSize>("client");  // twips; the row is the window
        QTest::newRow("ZTAdrF01") << QSize(4680, 1890);
        QTest::newRow("ZTAdrF02") << QSize(4680, 1890);
        QTest::newRow("ZTAdrF03") << QSize(4680, 1890);
        QTest::newRow("ZTAdrF05") << QSize(5400, 2190);
        QTest::newRow("ZTAdrF06") << QSize(4680, 2190);
    }

    void statusShowsWholePath() {
        QFETCH(QSize, client);
        const QString name = QString::fromUtf8(QTest::currentDataTag());
        // The output's name; none: the import shows its folder.
        const QString file = name == u"ZTAdrF01"_qs ? QString() : zt::output(name).fileName;
        // 150 characters, one folder wider than any status label.
        QString deep = work->dir.path() +
                       u"/ダウンロード/ztadrcnv-main/a-checkout-whose-folder-name-alone-is-"
                       u"wider-than-a-line/AddrBook/"_qs;
        deep += QString(150 - deep.size(), u'b');

        QRect shortLabel, shortButton;
        for (const QString& folder : {u"/tools"_qs, deep}) {
            std::unique_ptr<JobWindow> window(openWindow(name, *work->db, folder));
            show(window.get());
            if (file.isEmpty()) {
                window->setStatus(QDir::toNativeSeparators(folder) + u"\r\nから読み込み"_qs);
            }
            const auto* label = static_cast<StatusLabel*>(window->状況表示);
            const QString path = QDir::toNativeSeparators(file.isEmpty() ? folder : folder + u'/' + file);
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

    // A window whose file would land in the book just imported says so and writes nothing.
    void refusedInsideTheBook() {
        QTemporaryDir book;
        QVERIFY(QDir(book.path()).mkdir(u"g"_qs));
        writeFile(book.filePath(u"g/c.nrk"_qs), "BEGIN:VCARD\r\nFN:Ann\r\nEND:VCARD\r\n");
        zt::importAddressBook(*work->db, book.path());
        JobWindow* job = openWindow(u"ZTAdrF03"_qs, *work->db, book.filePath(u"g"_qs));
        show(job);
        QVERIFY(run(job));
        QCOMPARE(boxes(), QStringList{u"処理中断|!|Ok|%1 は取り込んだアドレス帳 %2 の中にあります。\r\n"_qs
                                      u"別のファイルを指定してください。処理をキャンセルします。"_qs.arg(
                                          QDir::toNativeSeparators(book.filePath(u"g/ZTAdrF03.vcf"_qs)),
                                          QDir::toNativeSeparators(book.path()))});
        QCOMPARE(QDir(book.filePath(u"g"_qs)).entryList(QDir::Files), QStringList{u"c.nrk"_qs});
    }

    void unwritableTarget_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("message");  // %1: the target
        // Every window writes through the same writer; each fault is met once, a folder where the file
        // goes and a missing folder in tst_platform and tst_command_line.
        QTest::newRow("disk full") << "ZTAdrF03" << Fault::DiskFull
                                   << u"ファイルに書き込めません: %1（File too large）"_qs;
        QTest::newRow("read-only target") << "ZTAdrF04" << Fault::ReadOnly
                                          << u"ファイルを作成できません: %1（ファイルが読み取り専用です）"_qs;
        // The CSV is open in a spreadsheet, which keeps it from being replaced.
        QTest::newRow("target open in another program")
            << "ZTAdrF02" << Fault::HeldOpen
            << u"ファイルを保存できません: %1（ほかのプログラムが使用中です。そのプログラムで閉じてから、やり直してください）"_qs;
    }

    void unwritableTarget() {
        QFETCH(QString, window);
        QFETCH(Fault, fault);
        QFETCH(QString, message);
        JobWindow* job = openWindow(window, *work->db, work->outDir());
        const QString file = zt::output(window).fileName;
        const QString target = work->out(file);
        writeFile(target, kOldRun);
        if (fault == Fault::ReadOnly) {
            // Windows' own read-only flag stops the writer itself, whoever runs it.
            if (!permissionsHold() && QSysInfo::productType() != u"windows") {
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
        QCOMPARE(work->outFiles(), QStringList{file});
        QCOMPARE(fileBytes(target), kOldRun);
    }
};

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
