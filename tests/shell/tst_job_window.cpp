#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

#include "export/csv_window.h"
#include "export/edmax_window.h"
#include "export/tsurukame_window.h"
#include "import/import_window.h"
#include "platform/folder_dialog.h"
#include "platform/message_box.h"
#include "platform/test_seams.h"
#include "shell/ui_font.h"
#include "test_support.h"

namespace {

QRect px(const QRect& twips) {
    return {twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15};
}

// A folder path of 150 characters, one of its folders wider than any status label.
QString deepFolder(const QString& root) {
    const QString path = root +
                         u"/ダウンロード/ztadrcnv-main/build-of-the-week/"
                         u"a-checkout-whose-folder-name-alone-is-wider-than-a-line/AddrBook/"_qs;
    return path + QString(150 - path.size(), u'b');
}

// The export windows are made on `folder` as the program folder; the import
// shows a path only while it reads, so it is run on `folder` as the picked
// folder, or, without one, declined.
QPointer<JobWindow> open(const QString& name, zt::Database& db, const QString& folder) {
    if (name == u"ZTAdrF01"_qs) {
        QDir().mkpath(folder + u"/g"_qs);
        zt::MessageBox::setNextAnswer(folder.isEmpty() ? zt::MessageBox::Answer::No
                                                       : zt::MessageBox::Answer::Yes);
        if (!folder.isEmpty()) {
            zt::FolderDialog::setNextFolder(folder);
        }
        QPointer<JobWindow> window = new ZTAdrF01(db);
        window->show();
        QTest::mouseClick(window->処理実行, Qt::LeftButton);
        return window;
    }
    const QString programFolder = folder.isEmpty() ? u"/tools"_qs : folder;
    QPointer<JobWindow> window;
    if (name == u"ZTAdrF02"_qs) {
        window = new ZTAdrF02(db, programFolder);
    } else if (name == u"ZTAdrF05"_qs) {
        window = new ZTAdrF05(db, programFolder);
    } else {
        window = new ZTAdrF06(db, programFolder);
    }
    window->show();
    return window;
}

}  // namespace

class TestJobWindow : public QObject {
    Q_OBJECT
private slots:
    // The program's own font: the designed labels are sized for its lines.
    void initTestCase() { QApplication::setFont(ZTAdrM1::GothicFont(9)); }
    void init() { zt::enableTestSeams(); }
    void statusShowsWholePath_data();
    void statusShowsWholePath();

private:
    WorkDb work_;
};

void TestJobWindow::statusShowsWholePath_data() {
    QTest::addColumn<QSize>("client");  // twips, as are the rectangles
    QTest::addColumn<QRect>("status");
    QTest::addColumn<QRect>("button");
    QTest::addColumn<QString>("text");  // with the deep folder as {dir}
    QTest::newRow("ZTAdrF01") << QSize(4680, 1890) << QRect(300, 300, 4000, 600)
                              << QRect(2500, 1200, 1800, 400) << u"{dir}\nから読み込み"_qs;
    QTest::newRow("ZTAdrF02")
        << QSize(4680, 1890) << QRect(300, 200, 4000, 800) << QRect(2500, 1200, 1800, 400)
        << u"グループ,名前,アドレス,会社名,部署名,役職\nの形式で、\n{dir}/ZTAdrF02.txt\nに出力します。"_qs;
    QTest::newRow("ZTAdrF05") << QSize(5400, 2190) << QRect(300, 500, 4800, 800)
                              << QRect(3400, 1500, 1800, 400) << u"{dir}/常用アドレス.adr\nに出力します。"_qs;
    QTest::newRow("ZTAdrF06") << QSize(4680, 2190) << QRect(300, 500, 4000, 800)
                              << QRect(2500, 1500, 1800, 400) << u"{dir}/AdrBook.txt\nに出力します。"_qs;
}

// However deep the folder, the label shows its text whole, wrapped after "/"
// and unchanged in itself, and the window grows to hold it; a short path
// leaves the window as designed.
void TestJobWindow::statusShowsWholePath() {
    QFETCH(QSize, client);
    QFETCH(QRect, status);
    QFETCH(QRect, button);
    QFETCH(QString, text);
    const QString name = QString::fromLatin1(QTest::currentDataTag());
    const QSize designedSize = client / 15;

    QPointer<JobWindow> window = open(name, *work_.db, QString());
    QCOMPARE(window->size(), designedSize);
    QCOMPARE(window->状況表示->geometry(), px(status));
    QCOMPARE(window->処理実行->geometry(), px(button));
    const Qt::WindowFlags buttons = Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint |
                                    Qt::WindowCloseButtonHint | Qt::WindowTitleHint;
    QCOMPARE(window->windowFlags() & buttons, buttons & ~Qt::WindowMaximizeButtonHint);
    delete window;

    const QString deep = deepFolder(work_.dir.path());
    QCOMPARE(deep.size(), 150);
    window = open(name, *work_.db, deep);
    const StatusLabel* label = window->状況表示;
    text.replace(u"{dir}"_qs, deep);
    QCOMPARE(label->text(), text);

    const QStringList lines = label->displayLines();
    QCOMPARE(lines.join(QString()), QString(text).remove(u'\n'));
    const QFontMetrics metrics = label->fontMetrics();
    QVERIFY(lines.size() * metrics.lineSpacing() <= label->height());
    static const QRegularExpression partEnd(u"[/\n]"_qs);
    for (qsizetype i = 0, at = 0; i < lines.size(); at += lines[i].size(), ++i) {
        QVERIFY2(metrics.horizontalAdvance(lines[i]) <= label->width(), qPrintable(lines[i]));
        const qsizetype end = at + lines[i].size();
        if (end == text.size() || text[end] == u'\n') {
            ++at;
            continue;
        }
        // A break not after "/" lies in a part too wide for a line of its own.
        if (!lines[i].endsWith(u'/')) {
            const qsizetype from = text.lastIndexOf(partEnd, end - 1) + 1;
            const qsizetype to = text.indexOf(partEnd, end);
            const QString part = text.mid(from, to < 0 ? -1 : to + (text[to] == u'/') - from);
            QVERIFY2(metrics.horizontalAdvance(part) > label->width(), qPrintable(lines[i]));
        }
    }

    const int growth = label->height() - px(status).height();
    QVERIFY(growth > 0);
    QCOMPARE(label->geometry(), px(status).adjusted(0, 0, 0, growth));
    QCOMPARE(window->処理実行->geometry(), px(button).translated(0, growth));
    QCOMPARE(window->size(), designedSize + QSize(0, growth));
    delete window;
}

QTEST_MAIN(TestJobWindow)
#include "tst_job_window.moc"
