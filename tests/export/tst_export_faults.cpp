// Faults from outside during a writer run: the working database locked by
// another program, an output file that cannot be created or written. The window reports each one as a fatal
// error with a clear text; the earlier output file stays as it was and no temporary file is left.
#include <sys/resource.h>

#include <QPointer>
#include <QPushButton>
#include <QtTest>
#include <csignal>

#include "export/csv_window.h"
#include "export/edmax_window.h"
#include "export/tsurukame_window.h"
#include "platform/desktop.h"
#include "platform/error.h"
#include "platform/fatal_error.h"
#include "platform/message_box.h"
#include "platform/test_seams.h"
#include "test_support.h"

enum class Window { Csv, EdMax, Tsurukame };
enum class Fault { TargetIsFolder, FolderGone, DiskFull };
Q_DECLARE_METATYPE(Window)
Q_DECLARE_METATYPE(Fault)

namespace {

const QByteArray kOldRun("an earlier run\r\n");

JobWindow* openWindow(Window window, zt::Database& db, const QString& folder) {
    return window == Window::Csv     ? static_cast<JobWindow*>(new ZTAdrF02(db, folder))
           : window == Window::EdMax ? static_cast<JobWindow*>(new ZTAdrF05(db, folder))
                                     : new ZTAdrF06(db, folder);
}

QString fileName(Window window) {
    return window == Window::Csv     ? u"ZTAdrF02.txt"_qs
           : window == Window::EdMax ? u"常用アドレス.adr"_qs
                                     : u"AdrBook.txt"_qs;
}

// Clicks the run button; returns once the window is gone.
bool run(Window which, zt::Database& db, const QString& folder) {
    QPointer<JobWindow> window = openWindow(which, db, folder);
    window->show();
    QTest::mouseClick(window->処理実行, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return window.isNull();
}

bool claimedSuccess() {
    const auto& shown = zt::MessageBox::shown();
    return !zt::Desktop::opened().isEmpty() ||
           std::any_of(shown.begin(), shown.end(), [](const auto& s) { return s.title == u"処理完了"_qs; });
}

}  // namespace

class TestExportFaults : public QObject {
    Q_OBJECT
private slots:

    void init() {
        zt::enableTestSeams();
        work_ = std::make_unique<WorkDb>();
        work_->person("G", "n", "a", "c", "d", "t");
        work_->person("H", "m", "b", "c", "d", kNull);
        folder_ = work_->outDir();
    }

    void cleanup() { work_.reset(); }

    void unwritableTarget_data() {
        QTest::addColumn<Window>("window");
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("message");  // %1: the target
        // Every window writes through the same writer; each fault is met once.
        QTest::newRow("target is a folder")
            << Window::Csv << Fault::TargetIsFolder
            << u"ファイルを作成できません: %1（同じ名前のフォルダがあります）"_qs;
        QTest::newRow("program folder gone")
            << Window::EdMax << Fault::FolderGone
            << u"ファイルを作成できません: %1（フォルダが見つかりません）"_qs;
        QTest::newRow("disk full") << Window::EdMax << Fault::DiskFull
                                   << u"ファイルに書き込めません: %1（File too large）"_qs;
    }

    void unwritableTarget() {
        QFETCH(Window, window);
        QFETCH(Fault, fault);
        QFETCH(QString, message);
        if (fault == Fault::FolderGone) {
            folder_ = work_->out("gone");
        }
        const QString target = folder_ + u'/' + fileName(window);
        if (fault == Fault::TargetIsFolder) {
            QVERIFY(QDir().mkdir(target));
        } else if (fault != Fault::FolderGone) {
            writeFile(target, kOldRun);
        }
        // For a full disk, no byte more may be written to any file.
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit none = saved;
        none.rlim_cur = 0;
        std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, fault == Fault::DiskFull ? &none : &saved), 0);
        const bool closed = run(window, *work_->db, folder_);
        setrlimit(RLIMIT_FSIZE, &saved);

        QVERIFY(closed);
        QCOMPARE(zt::fatalErrorsReported(), QStringList{message.arg(target)});
        QVERIFY(!claimedSuccess());
        QCOMPARE(work_->outFiles(),
                 fault == Fault::FolderGone ? QStringList{} : QStringList{fileName(window)});
        if (fault == Fault::TargetIsFolder) {
            QVERIFY(QDir(target).isEmpty());
        } else if (fault != Fault::FolderGone) {
            QCOMPARE(fileBytes(target), kOldRun);
        }
    }

private:
    std::unique_ptr<WorkDb> work_;
    QString folder_;
};

QTEST_MAIN(TestExportFaults)
#include "tst_export_faults.moc"
