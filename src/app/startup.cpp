#include "app/startup.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>
#include <exception>

#include "db/database.h"
#include "export/csv_window.h"
#include "export/edmax_window.h"
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

}  // namespace

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
    // The name, not the display name: Qt appends a display name to every
    // window title on some desktops, and the titles are the program's own.
    QCoreApplication::setApplicationName(QStringLiteral(ZT_APP_TITLE));
}

std::unique_ptr<zt::Database> OpenWorkingDatabase(const QString& appPath, const QString& baseName) {
    AppPath = appPath;
    ExeBaseName = baseName;
    DbPath = AppPath + QLatin1Char('/') + ExeBaseName + QStringLiteral(".mdb");
    Db = nullptr;
    // Every path the program builds starts from AppPath; the current directory
    // follows it only so that nothing can depend on where it was started from.
    QDir::setCurrent(AppPath);
    try {
        std::unique_ptr<zt::Database> db = zt::Database::open(DbPath);
        Db = db.get();
        return db;
    } catch (const zt::Error& e) {
        reportOpenFailure(e.text());
    } catch (const std::exception& e) {
        reportOpenFailure(QStringLiteral("作業用データベース %1 を開けません。\r\n").arg(DbPath) +
                          QString::fromUtf8(e.what()));
    }
    return nullptr;
}

ZTAdrF00::JobFactories JobWindows(zt::Database& db, const QString& appPath) {
    return {
        [&db] { return new ZTAdrF01(db); },
        [&db, appPath] { return new ZTAdrF02(db, appPath); },
        [&db, appPath] { return new ZTAdrF03(db, appPath); },
        [&db, appPath] { return new ZTAdrF04(db, appPath); },
        [&db, appPath] { return new ZTAdrF05(db, appPath); },
        [&db, appPath] { return new ZTAdrF06(db, appPath); },
        [&db, appPath] { return new ZTAdrF07(db, appPath); },
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
    ZTAdrF00 menu(JobWindows(*db, AppPath), HelpFilePath());
    QObject::connect(&menu, &ZTAdrF00::menuClosed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    menu.show();
    const int status = QApplication::exec();
    Db = nullptr;
    if (zt::fatalErrorReported()) {
        return 1;
    }
    return status;
}

}  // namespace ZTAdrM1
