#include "app/startup.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QTemporaryFile>
#include <QTranslator>
#include <exception>
#include <filesystem>

#include "db/database.h"
#include "export/csv_window.h"
#include "export/edmax_window.h"
#include "export/google_csv_window.h"
#include "export/ldif_window.h"
#include "export/outlook_csv_window.h"
#include "export/tsurukame_window.h"
#include "export/vcard_window.h"
#include "import/import_window.h"
#include "platform/fatal_error.h"
#include "platform/message_box.h"
#include "shell/app_state.h"
#include "shell/ui_font.h"
#include "version.h"

namespace ZTAdrM1 {

namespace {

// The database layer's texts already name the file.
void reportOpenFailure(const QString& text) {
    zt::MessageBox::show(nullptr, text, QStringLiteral(ZT_APP_TITLE), zt::MessageBox::Buttons::Ok,
                         zt::MessageBox::Icon::Critical);
}

// Makes the per-user working folder and gives it the empty database installed
// beside the executable, unless it has a database already: that one holds the
// user's last import. The copy is written under a temporary name and moved into
// place only whole and only if the name is still free, so a failed or a
// concurrent first start never leaves half a database or replaces one.
bool prepareUserFolder(const QString& installedDb, const QString& workPath, const QString& db) {
    std::error_code ec;
    const std::filesystem::path folder = QFile::encodeName(workPath).toStdString();
    if (std::filesystem::create_directories(folder, ec)) {
        // Address books are personal; the folder is nobody else's to read.
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ec);
        ec.clear();
    }
    if (ec || !QFileInfo(workPath).isDir()) {
        reportOpenFailure(QStringLiteral("作業用フォルダ %1 を作れません。\r\n").arg(workPath) +
                          QString::fromStdString(ec ? ec.message() : std::string("Not a directory")));
        return false;
    }
    if (QFileInfo::exists(db)) {
        return true;
    }
    const auto copyFailure = [&](const QString& reason) {
        reportOpenFailure(
            QStringLiteral("作業用データベース %1 を %2 から用意できません。\r\n").arg(db, installedDb) +
            reason);
        return false;
    };
    QFile source(installedDb);
    if (!source.open(QIODevice::ReadOnly)) {
        return copyFailure(source.errorString());
    }
    QTemporaryFile copy(workPath + QStringLiteral("/.XXXXXX.mdb"));
    if (!copy.open()) {
        return copyFailure(copy.errorString());
    }
    const QByteArray bytes = source.readAll();
    if (source.error() != QFileDevice::NoError) {
        return copyFailure(source.errorString());
    }
    if (copy.write(bytes) != bytes.size() || !copy.flush()) {
        return copyFailure(copy.errorString());
    }
    // rename() refuses to replace an existing file.
    if (copy.rename(db)) {
        copy.setAutoRemove(false);  // it would remove the file under its new name
        return true;
    }
    return QFileInfo::exists(db) || copyFailure(copy.errorString());
}

}  // namespace

QString WorkingFolderFor(const QString& appPath) {
    // Writing needs the folder: SQLite keeps its journal beside the database,
    // and every output file is written there. A read-only database in a folder
    // the user can write stays where it is, and start-up says it is read-only:
    // an empty one elsewhere would hide the user's last import.
    if (QFileInfo(appPath).isWritable()) {
        return appPath;
    }
    // Unset, empty or relative: the XDG base directory rules say to ignore it.
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(dataHome)) {
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    }
    return QDir::cleanPath(dataHome + QStringLiteral("/ztadrcnv"));
}

QString ExecutableBaseName(const QString& executablePath) {
    return QFileInfo(executablePath).completeBaseName();
}

QString HelpFilePath() {
    return AppPath + u'/' + ExeBaseName + QStringLiteral(".hlp");
}

void PrepareApplication(QApplication& app) {
    auto* translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
    } else {
        delete translator;
    }
    QApplication::setFont(GothicFont(9));
    // Built in, so that the windows show it wherever the executable was put;
    // the desktop file name lets a desktop match the windows to the menu entry.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/" ZT_APP_ID ".svg")));
    QGuiApplication::setDesktopFileName(QStringLiteral(ZT_APP_ID));
    // The name, not the display name: Qt appends a display name to every
    // window title on some desktops, and the titles are the program's own.
    QCoreApplication::setApplicationName(QStringLiteral(ZT_APP_TITLE));
}

std::unique_ptr<zt::Database> OpenWorkingDatabase(const QString& appPath, const QString& baseName) {
    AppPath = appPath;
    ExeBaseName = baseName;
    WorkPath = WorkingFolderFor(appPath);
    DbPath = WorkPath + QLatin1Char('/') + ExeBaseName + QStringLiteral(".mdb");
    if (WorkPath != AppPath &&
        !prepareUserFolder(AppPath + QLatin1Char('/') + ExeBaseName + QStringLiteral(".mdb"), WorkPath,
                           DbPath)) {
        return nullptr;
    }
    // Every path the program builds starts from WorkPath or AppPath; the
    // current directory follows WorkPath only so that nothing can depend on
    // where it was started from.
    QDir::setCurrent(WorkPath);
    try {
        std::unique_ptr<zt::Database> db = zt::Database::open(DbPath);
        return db;
    } catch (const zt::Error& e) {
        reportOpenFailure(e.text());
    } catch (const std::exception& e) {
        reportOpenFailure(QStringLiteral("作業用データベース %1 を開けません。\r\n").arg(DbPath) +
                          QString::fromUtf8(e.what()));
    }
    return nullptr;
}

ZTAdrF00::JobFactories JobWindows(zt::Database& db, const QString& folder) {
    return {
        [&db] { return new ZTAdrF01(db); },
        [&db, folder] { return new ZTAdrF02(db, folder); },
        [&db, folder] { return new ZTAdrF03(db, folder); },
        [&db, folder] { return new ZTAdrF04(db, folder); },
        [&db, folder] { return new ZTAdrF05(db, folder); },
        [&db, folder] { return new ZTAdrF06(db, folder); },
        [&db, folder] { return new ZTAdrF07(db, folder); },
        [&db, folder] { return new ZTAdrF08(db, folder); },
    };
}

int Main(QApplication& app) {
    PrepareApplication(app);
    std::unique_ptr<zt::Database> db = OpenWorkingDatabase(
        QCoreApplication::applicationDirPath(), ExecutableBaseName(QCoreApplication::applicationFilePath()));
    if (!db) {
        return 1;
    }

    // The program ends when the main menu closes, and only then: a help
    // window left open must not keep it alive, and closing the last job
    // window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    ZTAdrF00 menu(JobWindows(*db, WorkPath), HelpFilePath());
    QObject::connect(&menu, &ZTAdrF00::menuClosed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    menu.show();
    const int status = QApplication::exec();
    if (zt::fatalErrorReported()) {
        return 1;
    }
    return status;
}

}  // namespace ZTAdrM1
