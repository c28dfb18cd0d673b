// The CP932 code page; placing a file durably, and no litter from a write killed half-way; the real
// message box and help window behind their seams.
#include <QtWidgets>

#include <functional>

#include "faults.h"
#include "platform/cp932.h"
#include "platform/durable_file.h"
#include "platform/folder_names.h"
#include "platform/help_engine.h"
#include "platform/message_box.h"
#include "platform/test_seams.h"
#include "platform/text_file_writer.h"
#include "test_support.h"

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#endif
#ifdef Q_OS_LINUX
#include <linux/fs.h>
#endif

using zt::MessageBox;

static QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Whether `folder`'s file system has files without a name, as writes use where they can.
static bool hasUnnamedFiles(const QString& folder) {
#ifdef O_TMPFILE
    const int fd = ::open(QFile::encodeName(folder).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    return fd >= 0 && ::close(fd) == 0;
#else
    Q_UNUSED(folder);
    return false;
#endif
}

// tests/platform/killed_writer writing `target`, taken through its stages one at a time.
class KilledWriter {
public:
    KilledWriter(const QString& target, bool named) {
        process.start(QCoreApplication::applicationDirPath() + u"/killed_writer"_qs,
                      {target, named ? u"named"_qs : u"unnamed"_qs});
    }
    // Lets it go on until it says it reached `stage`; false if it never does.
    bool reach(const QString& stage) {
        for (QByteArray said; waiting || process.waitForReadyRead(60000) || process.bytesAvailable() > 0;) {
            if (waiting) {
                process.write("\n");
                waiting = false;
                continue;
            }
            said += process.readAllStandardOutput();
            if (said.endsWith('\n')) {
                waiting = true;
                if (std::exchange(said, {}).trimmed() == stage.toUtf8()) {
                    return true;
                }
            }
        }
        return false;
    }
    QProcess process;
    bool waiting = false;
};

// Whether the file at `path` may not be removed, renamed or written, as root alone can say.
static bool setImmutable(const QString& path, bool on) {
#ifdef Q_OS_LINUX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    int flags = 0;
    bool done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    if (fd >= 0) {
        ::close(fd);
    }
    return done;
#else
    Q_UNUSED(path);
    Q_UNUSED(on);
    return false;
#endif
}

// Acts on the next modal message box once its event loop runs.
static void whenBoxShows(std::function<void(QMessageBox*)> act) {
    QTimer::singleShot(0, [act] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            act(box);
        } else {
            whenBoxShows(act);
        }
    });
}

class TestPlatform : public QObject {
    Q_OBJECT

private slots:
    void init() { zt::enableTestSeams(); }

    // Rows: direction, name, code in hex, text (\uXXXX: that UTF-16 unit), and
    // for encoding the characters written as "?" for want of a code. A
    // character held twice is written as Windows does: JIS X 0208, NEC row 13,
    // IBM, NEC-selected IBM; one of another form, as iconv -t CP932 does.
    void codes_data() {
        QTest::addColumn<QStringList>("row");
        for (const QString& line :
             QString::fromUtf8(fileBytes(testData(u"cp932.rows"_qs))).split(u'\n', Qt::SkipEmptyParts)) {
            const QStringList row = line.split(u'\t');
            QTest::newRow(qPrintable(row[0] + u": "_qs + row[1])) << row;
        }
    }

    void codes() {
        QFETCH(QStringList, row);
        const QByteArray bytes = QByteArray::fromHex(row[2].toLatin1());
        QString text = row[3];
        static const QRegularExpression unit(uR"(\\u([0-9A-F]{4}))"_qs);
        for (auto m = unit.match(text); m.hasMatch(); m = unit.match(text, m.capturedStart() + 1)) {
            text.replace(m.capturedStart(), 6, QChar(m.captured(1).toUShort(nullptr, 16)));
        }
        if (row[0] == u"decode") {
            QCOMPARE(zt::cp932::decode(bytes), text);
        } else {
            QByteArray out;
            QCOMPARE(zt::cp932::encodeAppend(text, out), row.value(4).toLongLong());
            QCOMPARE(out, bytes);
        }
    }

    // Every code that decodes must encode to a code that decodes to the same
    // character; a code that is its character's only code must come back as is.
    void everyCodeRoundTrips() {
        int exact = 0;
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                const QByteArray code = QByteArray(1, char(lead)) + char(trail);
                const QString text = zt::cp932::decode(code);
                if (text.size() == 1 && text[0] != QChar(0xFFFD)) {
                    QCOMPARE(zt::cp932::decode(zt::cp932::encode(text)), text);
                    exact += zt::cp932::encode(text) == code;
                }
            }
        }
        // 7,724 mapped pairs plus 1,880 user-defined, less 398 duplicates.
        QCOMPARE(exact, 7724 + 1880 - 398);
        for (int b = 0; b <= 0xDF; b = b == 0x7F ? 0xA1 : b + 1) {  // ASCII, half-width kana
            QCOMPARE(zt::cp932::encode(zt::cp932::decode(QByteArray(1, char(b)))), QByteArray(1, char(b)));
        }
    }

    // The picked folder must lie inside AddrBook, its name compared as the
    // file system compares names: exactly here, regardless of case on Windows,
    // where `\` separates too. Width is never folded.
    void insideAddressBook_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("here");
        QTest::addColumn<bool>("onWindows");
        QTest::newRow("inside") << "/home/u/AddrBook/picked" << true << true;
        QTest::newRow("deeper") << "/home/u/AddrBook/a/b" << true << true;
        QTest::newRow("AddrBook itself") << "/home/u/AddrBook" << false << false;
        QTest::newRow("lower case") << "/home/u/addrbook/picked" << false << true;
        QTest::newRow("drive and backslashes") << "C:\\Users\\u\\AddrBook\\picked" << false << true;
        QTest::newRow("part of a name") << "/home/u/MyAddrBook/picked" << false << false;
        QTest::newRow("full-width") << "/home/u/ＡｄｄｒＢｏｏｋ/picked" << false << false;
    }
    void insideAddressBook() {
        QFETCH(QString, path);
        QFETCH(bool, here);
        QFETCH(bool, onWindows);
        QCOMPARE(zt::pathPassesThrough(path, u"AddrBook"_qs),
                 QSysInfo::productType() == u"windows" ? onWindows : here);
    }

    // A new file or a moved one appears whole under a free name, never over
    // a file already there, and leaves nothing half-made beside it.
    void durablePlacement_data() {
        QTest::addColumn<bool>("move");
        QTest::addColumn<QString>("target");  // in a fresh folder holding "taken" and "source"
        QTest::addColumn<int>("placed");
        for (const bool move : {false, true}) {
            const char* how = move ? "move" : "place";
            QTest::addRow("%s, free name", how) << move << "new.mdb" << int(zt::durable::Placed::Done);
            QTest::addRow("%s, name taken", how) << move << "taken" << int(zt::durable::Placed::Taken);
            QTest::addRow("%s, no folder", how) << move << "gone/new.mdb" << int(zt::durable::Placed::Failed);
        }
    }

    void durablePlacement() {
        QFETCH(bool, move);
        QFETCH(QString, target);
        QFETCH(int, placed);
        QTemporaryDir dir;
        writeFile(dir.filePath("taken"), "taken");
        writeFile(dir.filePath("source"), "bytes");
        QString error;
        const zt::durable::Placed result =
            move ? zt::durable::moveFile(dir.filePath("source"), dir.filePath(target), error)
                 : zt::durable::placeNewFile(dir.filePath(target), "bytes", error);
        QCOMPARE(int(result), placed);
        QVERIFY(result != zt::durable::Placed::Failed || !error.isEmpty());
        const bool done = result == zt::durable::Placed::Done;
        QCOMPARE(fileBytes(dir.filePath("taken")), QByteArray("taken"));
        QCOMPARE(fileBytes(dir.filePath("source")), QByteArray(move && done ? "<missing>" : "bytes"));
        if (done) {
            QCOMPARE(fileBytes(dir.filePath(target)), QByteArray("bytes"));
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), done && !move ? 3 : 2);
    }

    // A write killed at any point leaves the old file and its old report whole and nothing beside them: a
    // temporary without a name vanishes with the writer, a named one is removed by the next write of that
    // file.
    void killedWrite_data() {
        QTest::addColumn<QString>("stage");
        QTest::addColumn<bool>("named");
        for (const bool named : {false, true}) {
            for (const char* stage : {"opened", "written", "committed"}) {
                QTest::addRow("%s temporary, %s", named ? "named" : "unnamed", stage) << stage << named;
            }
        }
    }

    void killedWrite() {
        QFETCH(QString, stage);
        QFETCH(bool, named);
        QTemporaryDir dir;
        if (!named && !hasUnnamedFiles(dir.path())) {
            QSKIP("this file system has no files without a name");
        }
        const QString target = dir.filePath(u"ZTAdrF02.txt"_qs);
        writeFile(target, "old\r\n");
        writeFile(zt::reportPathFor(target), "old report\r\n");
        KilledWriter writer(target, named);
        QVERIFY(writer.reach(stage));
        const qsizetype during = filesIn(dir.path()).size();
        writer.process.kill();
        QVERIFY(writer.process.waitForFinished());

        const bool committed = stage == u"committed";
        QCOMPARE(fileBytes(target), committed ? QByteArray(1 << 20, 'n') : QByteArray("old\r\n"));
        QCOMPARE(fileBytes(zt::reportPathFor(target)), committed ? "new\r\nloss\r\n" : "old report\r\n");
        QCOMPARE(during, named && !committed ? 3 : 2);
        QCOMPARE(filesIn(dir.path()).size(), during);
        zt::TextFileWriter next(target);
        next.writeLine(u"next");
        next.commit();
        QCOMPARE(filesIn(dir.path()), (QStringList{u"ZTAdrF02.txt"_qs, u"ZTAdrF02.txt.report.txt"_qs}));
        QCOMPARE(fileBytes(target), QByteArray("next\r\n"));
    }

    // A write's tidying passes by the temporary of a write of the same file that is still under way.
    void runningWriteKeepsItsTemporary() {
        QTemporaryDir dir;
        const QString target = dir.filePath(u"ZTAdrF02.txt"_qs);
        KilledWriter writer(target, true);
        QVERIFY(writer.reach(u"written"_qs));
        zt::TextFileWriter other(target);
        other.writeLine(u"other");
        other.commit();
        QVERIFY(writer.reach(u"committed"_qs));
        writer.process.closeWriteChannel();
        QVERIFY(writer.process.waitForFinished());
        QCOMPARE(writer.process.exitCode(), 0);
        QCOMPARE(filesIn(dir.path()), (QStringList{u"ZTAdrF02.txt"_qs, u"ZTAdrF02.txt.report.txt"_qs}));
        QCOMPARE(fileBytes(target), QByteArray(1 << 20, 'n'));
    }

    // The output goes in with its report or not at all: a report that cannot be made keeps both old files, a
    // run without losses removes the old report as its output goes in.
    void withReport_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("error");  // none: both placed
        QTest::newRow("losses") << "" << QStringList{"loss"} << "";
        QTest::newRow("no losses") << "" << QStringList{} << "";
        QTest::newRow("a folder where the report goes")
            << "folder" << QStringList{"loss"}
            << "ファイルを作成できません: %1（同じ名前のフォルダがあります）";
        // Put in place first, the output gets its old file back.
        QTest::newRow("an old report that cannot be removed")
            << "fixed" << QStringList{} << "ファイルを保存できません: %1（Operation not permitted）";
        QTest::newRow("disk full at the report")
            << "full" << QStringList{QString(200, u'x')} << "ファイルに書き込めません: %1（File too large）";
    }
    void withReport() {
        QFETCH(QString, fault);
        QFETCH(QStringList, lines);
        QFETCH(QString, error);
        QTemporaryDir dir;
        const QString target = dir.filePath(u"out.txt"_qs), report = zt::reportPathFor(target);
        writeFile(target, "old\r\n");
        if (fault == u"folder") {
            QVERIFY(QDir().mkdir(report));
        } else {
            writeFile(report, "old report\r\n");
        }
        if (fault == u"fixed" && !setImmutable(report, true)) {
            QSKIP("only root on Linux makes a file that cannot be removed");
        }
        QString thrown;
        {
            zt::TextFileWriter out(target);
            out.writeLine(u"new");
            DiskFull full;
            if (fault == u"full" && !full.start(100)) {
                QSKIP("this system has no limit of a file's size to stand for a full disk");
            }
            try {
                out.commitWithReport(report, u"heading"_qs, lines);
            } catch (const zt::Error& e) {
                thrown = e.text();
            }
        }
        setImmutable(report, false);
        QCOMPARE(thrown, error.isEmpty() ? error : error.arg(QDir::toNativeSeparators(report)));
        QCOMPARE(fileBytes(target), error.isEmpty() ? "new\r\n" : "old\r\n");
        const QByteArray reported =
            lines.isEmpty() ? "<missing>" : "heading\r\n" + lines[0].toUtf8() + "\r\n";
        QCOMPARE(fileBytes(report), fault == u"folder" ? "<missing>"
                                    : error.isEmpty()  ? reported
                                                       : "old report\r\n");
        QCOMPARE(filesIn(dir.path()).size(), lines.isEmpty() && error.isEmpty() ? 1 : 2);
    }

#ifndef Q_OS_WIN
    // What is not a plain file is written straight into and stays what it was; a link's file is replaced
    // and the link stays. The nodes are the test's own, made in its folder.
    void notPlainFiles_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("error");  // none: written
        QTest::newRow("FIFO") << "fifo"
                              << "";
        QTest::newRow("socket") << "socket"
                                << "";
        QTest::newRow("null device") << "null"
                                     << "";
        QTest::newRow("full device") << "full"
                                     << "ファイルに書き込めません: %1（No space left on device）";
        QTest::newRow("link to a file") << "link"
                                        << "";
        QTest::newRow("link to no file yet") << "dangling"
                                             << "";
    }
    void notPlainFiles() {
        QFETCH(QString, kind);
        QFETCH(QString, error);
        QTemporaryDir dir;
        const QString target = dir.filePath(u"out"_qs);
        const QByteArray path = QFile::encodeName(target);
        int reader = -1;
        if (kind == u"fifo") {
            QCOMPARE(::mkfifo(path.constData(), 0600), 0);
            reader = ::open(path.constData(), O_RDONLY | O_NONBLOCK);
        } else if (kind == u"socket") {
            reader = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
            QCOMPARE(::bind(reader, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
            QCOMPARE(::listen(reader, 1), 0);
        } else if (kind == u"null" || kind == u"full") {
            if (::mknod(path.constData(), S_IFCHR | 0666, makedev(1, kind == u"null" ? 3 : 7)) != 0) {
                QSKIP("only root makes device nodes");
            }
        } else {
            if (kind == u"link") {
                writeFile(dir.filePath(u"file"_qs), "old");
            }
            QVERIFY(QFile::link(u"file"_qs, target));
        }
        const auto node = [&path] {
            struct stat st {};
            return ::lstat(path.constData(), &st) == 0 ? std::pair(st.st_mode, st.st_ino)
                                                       : std::pair(0u, ino_t());
        };
        const auto before = node();
        QString thrown;
        try {
            zt::TextFileWriter out(target);
            out.writeLine(u"bytes");
            out.commit();
        } catch (const zt::Error& e) {
            thrown = e.text();
        }
        QCOMPARE(thrown, error.isEmpty() ? error : error.arg(target));
        QCOMPARE(node(), before);
        if (kind == u"socket") {
            const int accepted = ::accept(reader, nullptr, nullptr);
            ::close(std::exchange(reader, accepted));
        }
        if (reader >= 0) {
            char got[16] = {};
            QCOMPARE(::read(reader, got, sizeof got), ssize_t(7));
            QCOMPARE(QByteArray(got), "bytes\r\n");
            ::close(reader);
        }
        QCOMPARE(fileBytes(dir.filePath(u"file"_qs)),
                 kind == u"link" || kind == u"dangling" ? "bytes\r\n" : "<missing>");
    }
#endif

    // What a killed write left beside the file, and only that, goes with the next write of the file.
    void leftoverRemoved_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("removed");
        QTest::newRow("ours") << "ZTAdrF02.txt.~1lc9po.tmp" << true;
        QTest::newRow("the user's") << "ZTAdrF02.txt.old.tmp" << false;
        QTest::newRow("no random part") << "ZTAdrF02.txt.~.tmp" << false;
        QTest::newRow("not a random part") << "ZTAdrF02.txt.~1l-9po.tmp" << false;
        QTest::newRow("another file's") << "ZTAdrF03.txt.~1lc9po.tmp" << false;
        QTest::newRow("more after it") << "ZTAdrF02.txt.~1lc9po.tmp.bak" << false;
    }

    void leftoverRemoved() {
        QFETCH(QString, name);
        QFETCH(bool, removed);
        QTemporaryDir dir;
        const QString target = dir.filePath(u"ZTAdrF02.txt"_qs);
        writeFile(dir.filePath(name), "left");
        writeFile(target, "old");
        zt::TextFileWriter(target).commit();
        QCOMPARE(QFileInfo::exists(dir.filePath(name)), !removed);
        QCOMPARE(filesIn(dir.path()).size(), removed ? 1 : 2);
    }

    // Both answer No: Enter by taking the default, Escape whatever the default.
    void realMessageBox() {
        MessageBox::setTesting(false);
        for (const auto& [key, defaultAnswer] : {std::pair(Qt::Key_Return, MessageBox::Answer::No),
                                                 std::pair(Qt::Key_Escape, MessageBox::Answer::Yes)}) {
            QString text;
            whenBoxShows([&](QMessageBox* box) {
                text = box->text();
                QTest::keyClick(box, key);
            });
            QCOMPARE(MessageBox::show(nullptr, "一行目\r\n二行目", "題", MessageBox::Buttons::YesNo,
                                      MessageBox::Icon::Exclamation, defaultAnswer),
                     MessageBox::Answer::No);
            QCOMPARE(text, "一行目\n二行目");
        }
    }

    // The real engine: what its window shows, or its complaint (%1: the path)
    // once for each of two F1, the second raising the same window.
    void helpFile_data() {
        QTest::addColumn<QByteArray>("bytes");  // null: no file
        QTest::addColumn<QString>("shown");
        QTest::newRow("missing") << QByteArray() << "ヘルプファイルが見つかりません。\r\n%1";
        QTest::newRow("empty") << QByteArray("") << "ヘルプファイルを表示できません。\r\n%1";
        QTest::newRow("HTML") << QByteArray("<meta charset=\"utf-8\"><h1>目次</h1><p>取り込み</p>")
                              << "目次\n取り込み";
    }

    void helpFile() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        QTemporaryDir dir;
        const QString path = dir.filePath("ZTADRCNV.hlp");
        if (!bytes.isNull()) {
            writeFile(path, bytes);
        }
        zt::HelpEngine::setTesting(false);
        QWidget owner;
        zt::HelpEngine::showContents(&owner, path);
        zt::HelpEngine::showContents(&owner, path);
        QStringList seen;
        for (const QTextBrowser* browser : owner.findChildren<QTextBrowser*>()) {
            seen << browser->toPlainText();
        }
        for (const MessageBox::Shown& box : MessageBox::shown()) {
            seen << box.text;
        }
        QCOMPARE(seen, QStringList(shown.contains(u"%1"_qs) ? 2 : 1,
                                   shown.arg(QDir::toNativeSeparators(path))));  // one window, raised again
        // Esc closes it.
        if (QPointer<QTextBrowser> browser = owner.findChild<QTextBrowser*>()) {
            QVERIFY(QTest::qWaitForWindowActive(browser->window()));
            QTest::keyClick(browser, Qt::Key_Escape);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(browser.isNull());
        }
    }
};

QTEST_MAIN(TestPlatform)
#include "tst_platform.moc"
