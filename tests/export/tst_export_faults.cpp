// Faults from outside during a writer run: the working database locked by
// another program, an output file that cannot be created, written or
// replaced. The window reports each one as a fatal error with a clear text;
// the earlier output file stays as it was and no temporary file is left.
#include <fcntl.h>
#include <linux/fs.h>
#include <sqlite3.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QPointer>
#include <QPushButton>
#include <QtTest>
#include <csignal>

#include "app/app_state.h"
#include "export/csv_window.h"
#include "export/edmax_window.h"
#include "export/edmax_writer.h"
#include "export/tsurukame_window.h"
#include "export_fixture.h"
#include "platform/desktop.h"
#include "platform/error.h"
#include "platform/fatal_error.h"
#include "platform/message_box.h"
#include "platform/test_seams.h"

enum class Window { Csv, EdMax, Tsurukame };
enum class Fault { TargetIsFolder, FolderGone, Immutable, DiskFull };
Q_DECLARE_METATYPE(Window)
Q_DECLARE_METATYPE(Fault)

namespace {

const QByteArray kOldRun("an earlier run\r\n");

JobWindow* openWindow(Window window) {
    switch (window) {
        case Window::Csv:
            return new ZTAdrF02;
        case Window::EdMax:
            return new ZTAdrF05;
        case Window::Tsurukame:
            return new ZTAdrF06;
    }
    return nullptr;
}

QString fileName(Window window) {
    switch (window) {
        case Window::Csv:
            return QStringLiteral("ZTAdrF02.txt");
        case Window::EdMax:
            return QStringLiteral("常用アドレス.adr");
        case Window::Tsurukame:
            return QStringLiteral("AdrBook.txt");
    }
    return {};
}

void writeOld(const QString& path) {
    QFile old(path);
    if (!old.open(QIODevice::WriteOnly) || old.write(kOldRun) != kOldRun.size()) {
        qFatal("cannot write %s", qPrintable(path));
    }
}

// The immutable flag stops even root from replacing or changing a file.
// Returns false where the file system or the process may not set it.
bool setImmutable(const QString& path, bool on) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

struct ImmutableGuard {
    QString path;
    ~ImmutableGuard() {
        if (!path.isEmpty()) {
            setImmutable(path, false);
        }
    }
};

// Another program's connection holding the database exclusively.
class Lock {
public:
    explicit Lock(const QString& path) {
        sqlite3_open(QFile::encodeName(path).constData(), &db_);
        locked_ = sqlite3_exec(db_, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~Lock() {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(db_);
    }
    bool locked() const { return locked_; }

private:
    sqlite3* db_ = nullptr;
    bool locked_ = false;
};

// Clicks the run button; returns once the window is gone.
bool run(Window which) {
    QPointer<JobWindow> window = openWindow(which);
    window->show();
    QTest::mouseClick(window->処理実行, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return window.isNull();
}

bool claimedSuccess() {
    for (const zt::MessageBox::Shown& shown : zt::MessageBox::shown()) {
        if (shown.title == QStringLiteral("処理完了")) {
            return true;
        }
    }
    return !zt::Desktop::opened().isEmpty();
}

void addWindowRows(const char* fault, Fault value) {
    for (const auto& [label, window] : {std::pair{"CSV", Window::Csv}, std::pair{"EdMax", Window::EdMax},
                                        std::pair{"Tsurukame", Window::Tsurukame}}) {
        QTest::addRow("%s, %s", label, fault) << window << value;
    }
}

}  // namespace

class TestExportFaults : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void unwritableTarget_data();
    void unwritableTarget();
    void databaseLocked_data();
    void databaseLocked();
    void edmaxFailsBetweenPasses_data();
    void edmaxFailsBetweenPasses();

private:
    std::unique_ptr<WorkDb> work_;
};

void TestExportFaults::init() {
    zt::enableTestSeams();
    work_ = std::make_unique<WorkDb>();
    work_->person(QString("G"), "n", "a", QString("c"), QString("d"), QString("t"));
    work_->person(QString("H"), "m", "b", QString("c"), QString("d"), kNull);
    ZTAdrM1::AppPath = work_->outDir();
    ZTAdrM1::Db = work_->db.get();
}

void TestExportFaults::cleanup() {
    ZTAdrM1::Db = nullptr;
    work_.reset();
}

void TestExportFaults::unwritableTarget_data() {
    QTest::addColumn<Window>("window");
    QTest::addColumn<Fault>("fault");
    addWindowRows("target is a folder", Fault::TargetIsFolder);
    addWindowRows("program folder gone", Fault::FolderGone);
    addWindowRows("old file cannot be replaced", Fault::Immutable);
    addWindowRows("disk full", Fault::DiskFull);
}

void TestExportFaults::unwritableTarget() {
    QFETCH(Window, window);
    QFETCH(Fault, fault);
    if (fault == Fault::FolderGone) {
        ZTAdrM1::AppPath = work_->out("gone");
    }
    const QString target = ZTAdrM1::AppPath + u'/' + fileName(window);
    QStringList left{fileName(window)};
    QString message;
    ImmutableGuard guard;
    rlimit saved{};
    switch (fault) {
        case Fault::TargetIsFolder:
            QVERIFY(QDir().mkdir(target));
            message = "ファイルを作成できません: " + target + "（同じ名前のフォルダーがあります）";
            break;
        case Fault::FolderGone:
            left.clear();
            message = "ファイルを作成できません: " + target + "（フォルダーが見つかりません）";
            break;
        case Fault::Immutable:
            writeOld(target);
            if (!setImmutable(target, true)) {
                QSKIP("this file system or process cannot make a file immutable");
            }
            guard.path = target;
            message = "ファイルを作成できません: " + target + "（ファイルが読み取り専用です）";
            break;
        case Fault::DiskFull:
            writeOld(target);
            message = "ファイルに書き込めません: " + target + "（File too large）";
            break;
    }

    bool closed = false;
    if (fault == Fault::DiskFull) {
        // No byte more may be written to any file: the disk is full.
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit none = saved;
        none.rlim_cur = 0;
        std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &none), 0);
        closed = run(window);
        setrlimit(RLIMIT_FSIZE, &saved);
    } else {
        closed = run(window);
    }

    QVERIFY(closed);
    QCOMPARE(zt::fatalErrorsReported(), QStringList{message});
    QVERIFY(!claimedSuccess());
    QCOMPARE(work_->outFiles(), left);
    if (fault == Fault::TargetIsFolder) {
        QVERIFY(QDir(target).isEmpty());
    } else if (!left.isEmpty()) {
        QCOMPARE(fileBytes(target), kOldRun);
    }
}

// Each lock costs the database layer's full wait before it gives up, so only
// two windows are shown here; EdMax meets the lock below, between its passes.
void TestExportFaults::databaseLocked_data() {
    QTest::addColumn<Window>("window");
    QTest::newRow("CSV") << Window::Csv;
    QTest::newRow("Tsurukame") << Window::Tsurukame;
}

void TestExportFaults::databaseLocked() {
    QFETCH(Window, window);
    const QString target = work_->out(fileName(window));
    writeOld(target);
    {
        Lock lock(work_->db->path());
        QVERIFY(lock.locked());
        QVERIFY(run(window));
    }
    QCOMPARE(zt::fatalErrorsReported(), QStringList{"database is locked"});
    QVERIFY(!claimedSuccess());
    QCOMPARE(work_->outFiles(), QStringList{fileName(window)});
    QCOMPARE(fileBytes(target), kOldRun);
}

// The group records are already written when the fault strikes; none of them
// may reach the target or stay behind in a temporary file.
void TestExportFaults::edmaxFailsBetweenPasses_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("message");  // {path}: the target
    QTest::newRow("database locked") << "lock"
                                     << "database is locked";
    QTest::newRow("old file cannot be replaced")
        << "immutable"
        << "ファイルを保存できません: {path}（Operation not permitted）";
}

void TestExportFaults::edmaxFailsBetweenPasses() {
    QFETCH(QString, fault);
    QFETCH(QString, message);
    const QString target = work_->out(fileName(Window::EdMax));
    writeOld(target);
    std::unique_ptr<Lock> lock;
    ImmutableGuard guard;
    bool struck = false;
    const auto strike = [&](zt::EdMaxPass pass) {
        if (pass != zt::EdMaxPass::Entries) {
            return;
        }
        if (fault == "lock") {
            lock = std::make_unique<Lock>(work_->db->path());
            struck = lock->locked();
        } else if (setImmutable(target, true)) {
            guard.path = target;
            struck = true;
        }
    };

    QString error;
    try {
        zt::writeEdMax(*work_->db, target, u'1', strike);
    } catch (const zt::Error& e) {
        error = e.text();
    }
    lock.reset();
    if (!struck && fault == "immutable") {
        QSKIP("this file system or process cannot make a file immutable");
    }
    QVERIFY(struck);
    QCOMPARE(error, message.replace("{path}", target));
    QCOMPARE(work_->outFiles(), QStringList{fileName(Window::EdMax)});
    QCOMPARE(fileBytes(target), kOldRun);
}

QTEST_MAIN(TestExportFaults)
#include "tst_export_faults.moc"
