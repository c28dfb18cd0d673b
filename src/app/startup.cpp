#include "app/startup.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>
#include <exception>

#include "app/app_state.h"
#include "app/ui_font.h"
#include "db/database.h"
#include "platform/fatal_error.h"
#include "platform/message_box.h"
#include "version.h"

namespace ZTAdrM1 {

namespace {

void reportOpenFailure(const QString& engineText, const QString& path) {
    zt::MessageBox::show(nullptr, engineText + QStringLiteral("\r\n") + path, QStringLiteral(ZT_APP_TITLE),
                         zt::MessageBox::Buttons::Ok, zt::MessageBox::Icon::Critical);
}

}  // namespace

QString ExecutableBaseName(const QString& executablePath) {
    return QFileInfo(executablePath).completeBaseName();
}

void PrepareApplication(QApplication& app) {
    auto* translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
    QApplication::setFont(GothicFont(9));
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
        reportOpenFailure(e.text(), DbPath);
    } catch (const std::exception& e) {
        reportOpenFailure(QString::fromUtf8(e.what()), DbPath);
    }
    return nullptr;
}

int Main(QApplication& app, const ZTAdrF00::JobFactories& jobs) {
    PrepareApplication(app);
    std::unique_ptr<zt::Database> db = OpenWorkingDatabase(
        QCoreApplication::applicationDirPath(), ExecutableBaseName(QCoreApplication::applicationFilePath()));
    if (!db)
        return 1;

    // The program ends when the main menu closes, and only then: a help
    // window left open must not keep it alive, and closing the last job
    // window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    ZTAdrF00 menu(jobs);
    QObject::connect(&menu, &ZTAdrF00::menuClosed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    menu.show();
    const int status = QApplication::exec();
    Db = nullptr;
    if (zt::fatalErrorReported())
        return 1;
    return status;
}

}  // namespace ZTAdrM1
