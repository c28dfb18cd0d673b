// The program run without windows: the real executable, copied into a
// portable program folder of its own and started without a display, against
// the windows writing the same database.
#include <QComboBox>
#include <QProcess>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "test_support.h"

class TestCommandLine : public GuiTest {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> root;  // holds the program folder and AddrBook/full
    QString program, book;

    struct Ran {
        int status;
        QString out, err;
    };

    // Runs the copy with `arguments` from `folder` (the program folder when empty).
    Ran ztadrcnv(QStringList arguments, const QString& folder = {}) {
        return run(program + u"/ZTADRCNV"_qs, arguments, folder);
    }
    Ran run(const QString& executable, QStringList arguments, const QString& folder = {}) {
        arguments.replaceInStrings(u"{book}"_qs, book)
            .replaceInStrings(u"{root}"_qs, root->path())
            .replaceInStrings(u"{program}"_qs, program);
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // A start of the windows would fail here.
        environment.remove(u"DISPLAY"_qs);
        environment.remove(u"WAYLAND_DISPLAY"_qs);
        environment.insert(u"QT_QPA_PLATFORM"_qs, u"xcb"_qs);
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(folder.isEmpty() ? program : folder);
        process.start(executable, arguments);
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
            return {-1, {}, process.errorString()};
        }
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    static void copyFolder(const QString& from, const QString& to) {
        QDir().mkpath(to);
        for (const QFileInfo& entry : QDir(from).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
            if (entry.isDir()) {
                copyFolder(entry.filePath(), to + u'/' + entry.fileName());
            } else {
                QFile::copy(entry.filePath(), to + u'/' + entry.fileName());
            }
        }
    }

    std::unique_ptr<zt::Database> programDb() { return zt::Database::open(program + u"/ZTADRCNV.mdb"_qs); }

    // Whatever the program folder holds but the program and its database.
    QStringList written() {
        QStringList files = QDir(program).entryList(QDir::Files);
        files.removeAll(u"ZTADRCNV"_qs);
        files.removeAll(u"ZTADRCNV.exe"_qs);
        files.removeAll(u"ZTADRCNV.mdb"_qs);
        return files;
    }

private slots:
    void init() {
        reset();
        root = std::make_unique<QTemporaryDir>();
        program = root->filePath(u"program"_qs);
        book = root->filePath(u"AddrBook/full"_qs);
        QDir().mkpath(program);
        QVERIFY(QFile::copy(QStringLiteral(ZT_PROGRAM), program + u'/' + QFileInfo(ZT_PROGRAM).fileName()));
        zt::Database::create(program + u"/ZTADRCNV.mdb"_qs);
        programDb()->Execute(u"INSERT INTO アドレス情報 (名前) VALUES ('kept')"_qs);
        copyFolder(testData(u"books/full_cards"_qs), book);
    }

    // Several jobs run in the order given, the windows' messages on standard error and the report's path on
    // standard output; a file is named from where the user stands, not from the working folder the program
    // moves to; a folder, or a path ending in a separator, takes the output's own file name.
    void jobsInOrder() {
        const Ran ran =
            ztadrcnv({"--write", "csv", "before.txt", "--import", "AddrBook/full", "--write=csv", "--write",
                      "vcard", ".", "--write", "edmax:3", "AddrBook/", "--write", "csv", "--", "-x"},
                     root->path());
        QCOMPARE(ran.status, 0);
        const QString r = QDir::toNativeSeparators(root->path() + u'/');
        QCOMPARE(
            ran.err,
            u"{r}before.txt\nに出力しました。\n 2 個のグループを処理しました。\nカード 8 枚を読み込み、7 人に"
            u"なりました。\n{p}ZTAdrF02.txt\nに出力しました。\n{r}ZTAdrF03."
            u"vcf\nに出力しました。\nメールソフトや"
            u"携帯電話の連絡先に取り込んでください。\n出力できなかった項目が 7 件あります。\n{r}ZTAdrF03.vcf."
            u"report.txtを確認してください。\nEdMax用のアドレス帳(常用アドレス.adr)を作成しました。\nC:"
            u"\\Program "
            u"Files\\EdMax\\Address フォルダにコピーしてください。\n{r}-x\nに出力しました。\n"_qs
                .replace(u"{r}"_qs, r)
                .replace(u"{p}"_qs, QDir::toNativeSeparators(program + u'/')));
        QCOMPARE(ran.out, r + u"ZTAdrF03.vcf.report.txt\n"_qs);
        QVERIFY(fileBytes(root->filePath(u"before.txt"_qs)).contains("kept"));
        QVERIFY(!fileBytes(program + u"/ZTAdrF02.txt"_qs).contains("kept"));
        QCOMPARE(written(), QStringList{u"ZTAdrF02.txt"_qs});
    }

    // A wrong command line (2) changes nothing and names what was typed; a
    // refused or failed job (1) stops the run there, the database as it was.
    void exitStatus_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");  // the first line on standard error
        const QString wrong = u"ztadrcnv: "_qs;
        QTest::newRow("unknown option")
            << QStringList{"--import", "{book}", "--bogus"} << 2 << wrong + "知らないオプションです: --bogus";
        QTest::newRow("value to a switch") << QStringList{"--version=3"} << 2
                                           << wrong + "オプション --version は値を取りません: --version=3";
        QTest::newRow("Qt's option without its value")
            << QStringList{"-platform"} << 2 << wrong + "オプション -platform のあとに値を指定してください";
        QTest::newRow("no folder") << QStringList{"--import", "--write", "csv"} << 2
                                   << wrong + "--import のあとにアドレス帳フォルダを指定してください";
        QTest::newRow("unknown output")
            << QStringList{"--write", "pdf"} << 2
            << wrong +
                   "知らない出力です: pdf（csv、vcard、outlook[:N]、edmax[:N]、tsurukame[:N]、ldif、google "
                   "のどれかです）";
        QTest::newRow("number past the list")
            << QStringList{"--write", "edmax:9"} << 2 << wrong + "出力 edmax の番号は 1 から 8 です: edmax:9";
        QTest::newRow("Outlook's number past its list")
            << QStringList{"--write", "Outlook:3"} << 2
            << wrong + "出力 outlook の番号は 1 から 2 です: Outlook:3";
        QTest::newRow("number to a plain output")
            << QStringList{"--write", "csv:1"} << 2 << wrong + "出力 csv は番号を取りません: csv:1";
        QTest::newRow("standard output twice") << QStringList{"--write", "csv", "-", "--write", "vcard", "-"}
                                               << 2 << wrong + "標準出力（-）に書き出せる出力は一つだけです";
        QTest::newRow("extra argument")
            << QStringList{"--write", "csv", "a.txt", "b.txt"} << 2 << wrong + "余分な引数です: b.txt";
        QTest::newRow("group folder")
            << QStringList{"--import", "{book}/仕事"} << 1
            << QDir::toNativeSeparators(u"{book}/仕事"_qs) + u"はグループのフォルダです。"_qs;
        QTest::newRow("outside AddrBook")
            << QStringList{"--import", "{root}"} << 1
            << QDir::toNativeSeparators(u"{root}"_qs) + u"はアドレス帳フォルダとして不正です。（"_qs +
                   QDir::toNativeSeparators(u"/AddrBook/"_qs) + u" が含まれません）"_qs;
        QTest::newRow("missing folder")
            << QStringList{"--import", "{book}/gone"} << 1
            << u"フォルダ "_qs + QDir::toNativeSeparators(u"{book}/gone"_qs) + u" が見つかりません。"_qs;
        QTest::newRow("stops at a failed write")
            << QStringList{"--write", "csv", "{root}/gone/a.txt", "--import", "{book}"} << 1
            << u"ファイルを作成できません: "_qs + QDir::toNativeSeparators(u"{root}/gone/a.txt"_qs) +
                   u"（フォルダが見つかりません）"_qs;
    }
    void exitStatus() {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, said);
        const Ran ran = ztadrcnv(arguments);
        QCOMPARE(ran.err.section(u'\n', 0, 0),
                 said.replace(u"{book}"_qs, QDir::toNativeSeparators(book))
                     .replace(u"{root}"_qs, QDir::toNativeSeparators(root->path())));
        QCOMPARE(ran.out, QString());
        QCOMPARE(ran.status, status);
        QCOMPARE(queryRows(*programDb(), u"SELECT 名前 FROM アドレス情報"_qs), QStringList{u"kept"_qs});
        QCOMPARE(written(), QStringList());
        if (status == 2) {
            QVERIFY(ran.err.contains(u"\n\n使い方: ztadrcnv"_qs));
        }
    }

    // An output never goes over the working database, its journal, the import report or a file of the
    // book just imported, links followed: refused before anything is written, the file as it was.
    void refusedTargets_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("said");  // after the target's path
        QTest::newRow("database") << "{program}/ZTADRCNV.mdb"
                                  << " は作業用データベースです。";
        QTest::newRow("journal") << "{program}/ZTADRCNV.mdb-journal"
                                 << " は作業用データベースです。";
        QTest::newRow("import report") << "{program}/ZTADRCNV.mdb.report.txt"
                                       << " は取り込みの報告です。";
        QTest::newRow("card file") << "{book}/仕事/c.nrk"
                                   << " は取り込んだアドレス帳 {book} の中にあります。";
        QTest::newRow("Group.idx") << "{book}/仕事/Group.idx"
                                   << " は取り込んだアドレス帳 {book} の中にあります。";
#ifndef Q_OS_WIN  // QFile::link makes a shortcut there, which is an ordinary file
        QTest::newRow("link to the database") << "{root}/link"
                                              << " は作業用データベースです。";
        QTest::newRow("its report a link to the database") << "{root}/out.txt"
                                                           << ".report.txt は作業用データベースです。";
#endif
    }
    void refusedTargets() {
        QFETCH(QString, target);
        QFETCH(QString, said);
        QCOMPARE(ztadrcnv({u"--import"_qs, u"{book}"_qs}).status, 0);
        QVERIFY(QFile::link(program + u"/ZTADRCNV.mdb"_qs, root->filePath(u"link"_qs)));
        QVERIFY(QFile::link(program + u"/ZTADRCNV.mdb"_qs, root->filePath(u"out.txt.report.txt"_qs)));
        const QString path = target.replace(u"{program}"_qs, program)
                                 .replace(u"{book}"_qs, book)
                                 .replace(u"{root}"_qs, root->path());
        const QByteArray before = fileBytes(path);
        const Ran ran = ztadrcnv({u"--write"_qs, u"csv"_qs, path});
        QCOMPARE(ran.err.section(u'\n', 0, 0),
                 QDir::toNativeSeparators(path) + said.replace(u"{book}"_qs, QDir::toNativeSeparators(book)));
        QCOMPARE(ran.status, 1);
        QCOMPARE(fileBytes(path), before);
        QCOMPARE(written(), QStringList());
    }

    // "-" is standard output, which then carries the output alone: its report goes beside the working
    // database, and the report's path to standard error.
    void standardOutput() {
        const Ran ran = ztadrcnv({u"--import"_qs, u"{book}"_qs, u"--write"_qs, u"vcard"_qs, u"-"_qs,
                                  u"--write=vcard"_qs, u"{root}"_qs});
        QCOMPARE(ran.status, 0);
        QCOMPARE(ran.out.toUtf8(), fileBytes(root->filePath(u"ZTAdrF03.vcf"_qs)));
        const QString report = QDir::toNativeSeparators(program + u"/ZTAdrF03.vcf.report.txt"_qs);
        QVERIFY(ran.err.contains(u"標準出力\nに出力しました。"_qs));
        QVERIFY(ran.err.contains(u'\n' + report + u'\n'));
        QCOMPARE(written(), QStringList{u"ZTAdrF03.vcf.report.txt"_qs});
#ifndef Q_OS_WIN
        // So for a FIFO, which has no folder of its own for a report.
        const QByteArray fifo = QFile::encodeName(root->filePath(u"fifo"_qs));
        QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
        const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
        QCOMPARE(ztadrcnv({u"--write"_qs, u"ldif"_qs, u"{root}/fifo"_qs}).status, 0);
        ::close(reader);
        QCOMPARE(written(), (QStringList{u"ZTAdrF03.vcf.report.txt"_qs, u"ZTAdrF07.ldif.report.txt"_qs}));
#endif
    }

#ifndef Q_OS_WIN
    // A book whose folder's name is CP932 bytes, as a copy from Windows keeps it, is found by the bytes the
    // shell passes.
    void windowsNamedBook() {
        QVERIFY(::rename(QFile::encodeName(book).constData(),
                         QFile::encodeName(root->filePath(u"AddrBook/"_qs)) + "\x83\x65\x83\x58\x83\x67") ==
                0);
        const Ran ran =
            run(u"/bin/sh"_qs,
                {u"-c"_qs, u"exec \"$0\" --import \"$1/AddrBook/$(printf '\\203e\\203X\\203g')\""_qs,
                 program + u"/ZTADRCNV"_qs, root->path()});
        QCOMPARE(ran.err, u" 2 個のグループを処理しました。\nカード 8 枚を読み込み、7 人になりました。\n"_qs);
        QCOMPARE(ran.status, 0);
    }
#endif
};

QTEST_MAIN(TestCommandLine)
#include "tst_command_line.moc"
