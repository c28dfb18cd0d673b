// The platform layer: the CP932 code page, every code of it and the codes
// Windows writes for characters it holds twice or under another form; the
// real message box and help window behind their seams.
#include <QtTest>
#include <QtWidgets>

#include <functional>

#include "platform/cp932.h"
#include "platform/help_engine.h"
#include "platform/message_box.h"
#include "platform/test_seams.h"
#include "test_support.h"

using zt::MessageBox;

namespace {

// Acts on the next modal message box once its event loop runs.
void whenBoxShows(std::function<void(QMessageBox*)> act) {
    QTimer::singleShot(0, [act] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            act(box);
        } else {
            whenBoxShows(act);
        }
    });
}

}  // namespace

class TestPlatform : public QObject {
    Q_OBJECT

private slots:
    void init() { zt::enableTestSeams(); }

    void decode_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");

        auto row = [](const char* name, QByteArray bytes, const char16_t* expected) {
            QTest::newRow(name) << bytes << QString::fromUtf16(expected);
        };
        QTest::newRow("ASCII, backslash, tilde, NUL")
            << QByteArray("a\\~\0b", 5) << QString::fromUtf16(u"a\\~\0b", 5);
        row("half-width kana", "\xB1\xDF\xA1", u"\uFF71\uFF9F\uFF61");
        row("kanji with 0x5C trail", "\x8A\xBF\x8E\x9A\x83\x5C\x95\x5C", u"漢字ソ表");
        row("NEC row 13", "\x87\x40\x87\x8A\x87\x54", u"①㈱Ⅰ");
        row("IBM extensions", "\xFB\xFC\xFA\x40\xFA\x5C", u"髙ⅰ纊");
        row("NEC-selected IBM", "\xED\x40\xEE\xEF", u"纊ⅰ");
        row("user-defined area", "\xF0\x40\xF0\x7E\xF0\x80\xF9\xFC", u"\uE000\uE03E\uE03F\uE757");
        // The walk after bytes that name nothing is the cp932 fuzz model's.
        row("unmapped pair, ASCII kept", "\x85@example.jp", u"\uFFFD@example.jp");
    }

    void decode() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QCOMPARE(zt::cp932::decode(bytes), expected);
    }

    void encode_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("expected");

        auto row = [](const char* name, const char16_t* text, QByteArray expected) {
            QTest::newRow(name) << QString::fromUtf16(text) << expected;
        };
        // Where the code page holds a character twice, Windows' choice wins:
        // JIS X 0208, then NEC row 13, then IBM, then NEC-selected IBM.
        row("髙 from IBM, not NEC-selected", u"髙", "\xFB\xFC");
        row("ⅰ from IBM, not NEC-selected", u"ⅰ", "\xFA\x40");
        row("Ⅰ from NEC row 13, not IBM", u"Ⅰ", "\x87\x54");
        row("㈱ from NEC row 13", u"㈱", "\x87\x8A");
        row("∵ from JIS, not NEC or IBM", u"∵", "\x81\xE6");
        row("user-defined area", u"\uE000\uE757", "\xF0\x40\xF9\xFC");
        // As iconv -t CP932 writes them; other characters without a code stay "?".
        row("JIS forms of code page symbols", u"\u301C\u2016\u2212", "\x81\x60\x81\x61\x81\x7C");
        row("Latin-1 signs", u"\u00A2\u00A3\u00AC", "\x81\x91\x81\x92\x81\xCA");
        row("em dash and horizontal bar", u"\u2014\u2015", "\x81\x5C\x81\x5C");
        row("yen sign and overline", u"\u00A5\u203E", "\x5C\x7E");
        row("no code: broken bar, en dash, euro", u"\u00A6\u2013\u20AC", "???");
        row("emoji is one character", u"a\U0001F600b", "a?b");
        row("lone high surrogate",
            u"a\xD800"
            u"b",
            "a?b");
    }

    void encode() {
        QFETCH(QString, text);
        QFETCH(QByteArray, expected);
        QCOMPARE(zt::cp932::encode(text), expected);
    }

    // Every code that decodes must encode to a code that decodes to the same
    // character; a code that is its character's only code must come back as is.
    void everyCodeRoundTrips() {
        int exact = 0;
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                const char pair[] = {static_cast<char>(lead), static_cast<char>(trail)};
                const QByteArray code(pair, 2);
                const QString text = zt::cp932::decode(code);
                if (text.size() != 1 || text[0] == QChar(0xFFFD)) {
                    continue;
                }
                const QByteArray back = zt::cp932::encode(text);
                QCOMPARE(zt::cp932::decode(back), text);
                exact += back == code;
            }
        }
        // 7,724 mapped pairs plus 1,880 user-defined, less 398 duplicates.
        QCOMPARE(exact, 7724 + 1880 - 398);
        for (int b = 0; b < 0x100; ++b) {
            if (b < 0x80 || (b >= 0xA1 && b <= 0xDF)) {
                const QByteArray code(1, static_cast<char>(b));
                QCOMPARE(zt::cp932::encode(zt::cp932::decode(code)), code);
            }
        }
    }

    void realMessageBox_data() {
        QTest::addColumn<MessageBox::Buttons>("buttons");
        QTest::addColumn<MessageBox::Answer>("defaultAnswer");
        QTest::addColumn<int>("key");
        QTest::addColumn<MessageBox::Answer>("expected");
        using B = MessageBox::Buttons;
        using A = MessageBox::Answer;
        QTest::newRow("Enter takes default No") << B::YesNo << A::No << int(Qt::Key_Return) << A::No;
        QTest::newRow("Escape means No") << B::YesNo << A::Yes << int(Qt::Key_Escape) << A::No;
    }

    void realMessageBox() {
        QFETCH(MessageBox::Buttons, buttons);
        QFETCH(MessageBox::Answer, defaultAnswer);
        QFETCH(int, key);
        QFETCH(MessageBox::Answer, expected);
        MessageBox::setTesting(false);
        QString text;
        whenBoxShows([&](QMessageBox* box) {
            text = box->text();
            QTest::keyClick(box, Qt::Key(key));
        });
        QCOMPARE(MessageBox::show(nullptr, "一行目\r\n二行目", "題", buttons, MessageBox::Icon::Exclamation,
                                  defaultAnswer),
                 expected);
        QCOMPARE(text, "一行目\n二行目");
    }

    // The engine runs for real; only its complaints go to the message box
    // seam. `shown` is what the help window shows, or the complaint (%1: the
    // path), once for each of two F1: the second raises the same window.
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
        QCOMPARE(seen,
                 QStringList(shown.contains(u"%1"_qs) ? 2 : 1, shown.arg(path)));  // one window, raised again
    }
};

QTEST_MAIN(TestPlatform)
#include "tst_platform.moc"
