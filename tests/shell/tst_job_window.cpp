// The job windows' shared body: however deep the program folder, the status
// label shows its text whole, wrapped after "/" and unchanged in itself, and
// the window grows to hold it; a short path leaves every window as designed.
#include <QRegularExpression>

#include "export/csv_window.h"
#include "export/edmax_window.h"
#include "export/tsurukame_window.h"
#include "export/vcard_window.h"
#include "gui_test.h"
#include "import/import_window.h"
#include "shell/status_label.h"
#include "shell/ui_font.h"

namespace {

QRect px(const QRect& twips) {
    return {twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15};
}

JobWindow* make(const QString& name, zt::Database& db, const QString& folder) {
    if (name == u"ZTAdrF01"_qs) {
        return new ZTAdrF01(db);
    }
    if (name == u"ZTAdrF02"_qs) {
        return new ZTAdrF02(db, folder);
    }
    if (name == u"ZTAdrF03"_qs) {
        return new ZTAdrF03(db, folder);
    }
    return name == u"ZTAdrF05"_qs ? static_cast<JobWindow*>(new ZTAdrF05(db, folder))
                                  : new ZTAdrF06(db, folder);
}

}  // namespace

class TestJobWindow : public GuiTest {
    Q_OBJECT
private slots:
    // The program's own font: the designed labels are sized for its lines.
    void initTestCase() { QApplication::setFont(ZTAdrM1::GothicFont(9)); }
    void init() { reset(); }

    void statusShowsWholePath_data() {
        QTest::addColumn<QSize>("client");  // twips, as are the rectangles
        QTest::addColumn<QRect>("status");
        QTest::addColumn<QRect>("button");
        QTest::addColumn<QString>("file");  // the output's name; none: the import shows its folder
        QTest::newRow("ZTAdrF01") << QSize(4680, 1890) << QRect(300, 300, 4000, 600)
                                  << QRect(2500, 1200, 1800, 400) << QString();
        QTest::newRow("ZTAdrF02") << QSize(4680, 1890) << QRect(300, 200, 4000, 800)
                                  << QRect(2500, 1200, 1800, 400) << "ZTAdrF02.txt";
        QTest::newRow("ZTAdrF03") << QSize(4680, 1890) << QRect(300, 200, 4000, 800)
                                  << QRect(2500, 1200, 1800, 400) << "ZTAdrF03.vcf";
        QTest::newRow("ZTAdrF05") << QSize(5400, 2190) << QRect(300, 500, 4800, 800)
                                  << QRect(3400, 1500, 1800, 400) << "常用アドレス.adr";
        QTest::newRow("ZTAdrF06") << QSize(4680, 2190) << QRect(300, 500, 4000, 800)
                                  << QRect(2500, 1500, 1800, 400) << "AdrBook.txt";
    }

    void statusShowsWholePath() {
        QFETCH(QSize, client);
        QFETCH(QRect, status);
        QFETCH(QRect, button);
        QFETCH(QString, file);
        const QString name = QString::fromLatin1(QTest::currentDataTag());
        // 150 characters, one folder wider than any status label.
        QString deep = work->dir.path() +
                       u"/ダウンロード/ztadrcnv-main/a-checkout-whose-folder-name-alone-is-"
                       u"wider-than-a-line/AddrBook/"_qs;
        deep += QString(150 - deep.size(), u'b');

        for (const QString& folder : {u"/tools"_qs, deep}) {
            std::unique_ptr<JobWindow> window(make(name, *work->db, folder));
            show(window.get());
            if (file.isEmpty()) {
                window->setStatus(folder + u"\r\nから読み込み"_qs);
            }
            const auto* label = static_cast<StatusLabel*>(window->状況表示);
            const QString path = file.isEmpty() ? folder : folder + u'/' + file;
            QVERIFY(label->text().contains(u'\n' + path + u'\n') || label->text().startsWith(path + u'\n'));
            const int growth = label->height() - px(status).height();
            QCOMPARE(label->geometry(), px(status).adjusted(0, 0, 0, growth));
            QCOMPARE(window->処理実行->geometry(), px(button).translated(0, growth));
            QCOMPARE(window->size(), client / 15 + QSize(0, growth));
            const Qt::WindowFlags all = Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint |
                                        Qt::WindowCloseButtonHint | Qt::WindowTitleHint;
            QCOMPARE(window->windowFlags() & all, all & ~Qt::WindowMaximizeButtonHint);
            if (folder != deep) {
                QCOMPARE(growth, 0);
                continue;
            }

            const QString text = label->text();
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
                } else if (!lines[i].endsWith(u'/')) {
                    // A break not after "/" lies in a part too wide for a line.
                    const qsizetype from = text.lastIndexOf(partEnd, end - 1) + 1;
                    const qsizetype to = text.indexOf(partEnd, end);
                    const QString part = text.mid(from, to < 0 ? -1 : to + (text[to] == u'/') - from);
                    QVERIFY2(metrics.horizontalAdvance(part) > label->width(), qPrintable(lines[i]));
                }
            }
        }
    }
};

QTEST_MAIN(TestJobWindow)
#include "tst_job_window.moc"
