// The CP932 code page; placing a file durably; the real message box and help window behind their seams.
#include <QtWidgets>

#include <functional>

#include "platform/cp932.h"
#include "platform/durable_file.h"
#include "platform/folder_names.h"
#include "platform/help_engine.h"
#include "platform/message_box.h"
#include "platform/test_seams.h"
#include "test_support.h"

using zt::MessageBox;

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
