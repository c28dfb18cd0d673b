#include "app/startup.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

#include "app/program_folders.h"
#include "db/database.h"
#include "platform/fatal_error.h"
#include "shell/app_state.h"
#include "shell/ui_font.h"
#include "version.h"
#include "windows/import_window.h"
#include "windows/outputs.h"
#include "windows/people_window.h"

namespace ZTAdrM1 {

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
    // Without Qt's SVG plugin (the Windows build has none) it cannot be drawn,
    // and the windows take the executable's own icon instead.
    const QIcon icon(QStringLiteral(":/" ZT_APP_ID ".svg"));
    if (!icon.pixmap(32).isNull()) {
        QApplication::setWindowIcon(icon);
    }
    QGuiApplication::setDesktopFileName(QStringLiteral(ZT_APP_ID));
    // The name, not the display name: Qt appends a display name to every
    // window title on some desktops, and the titles are the program's own.
    QCoreApplication::setApplicationName(QStringLiteral(ZT_APP_TITLE));
}

ZTAdrF00::JobFactories JobWindows(zt::Database& db, const QString& folder) {
    ZTAdrF00::JobFactories jobs{{QStringLiteral("ZTAdrF01"), [&db] { return new ZTAdrF01(db); }}};
    for (const zt::Output& output : zt::outputs()) {
        jobs.insert(output.window,
                    [&output, &db, folder] { return zt::makeOutputWindow(output, db, folder); });
    }
    jobs.insert(QStringLiteral("ZTAdrF09"), [&db] { return new ZTAdrF09(db); });
    return jobs;
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
    ZTAdrF00 menu(JobWindows(*db, OutPath), *db, HelpFilePath());
    QObject::connect(&menu, &ZTAdrF00::menuClosed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    menu.show();
    const int status = QApplication::exec();
    if (zt::fatalErrorReported()) {
        return 1;
    }
    return status;
}

}  // namespace ZTAdrM1
