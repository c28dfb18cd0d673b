#include "app/startup.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTranslator>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <system_error>
#include <utility>

#include "app/version_caption.h"
#include "db/database.h"
#include "windows/csv_window.h"
#include "windows/edmax_window.h"
#include "windows/google_csv_window.h"
#include "windows/ldif_window.h"
#include "windows/outlook_csv_window.h"
#include "windows/tsurukame_window.h"
#include "windows/vcard_window.h"
#include "windows/import_window.h"
#include "platform/fatal_error.h"
#include "platform/message_box.h"
#include "shell/app_state.h"
#include "shell/ui_font.h"
#include "version.h"

namespace ZTAdrM1 {

namespace {

enum class Placed { Done, Taken, Failed };

void report(const QString& text, zt::MessageBox::Icon icon = zt::MessageBox::Icon::Critical) {
    zt::MessageBox::show(nullptr, text, QStringLiteral(ZT_APP_TITLE), zt::MessageBox::Buttons::Ok, icon);
}

QString systemText(int error) {
    return QString::fromStdString(std::generic_category().message(error));
}

// Makes `folder` and its parents unless it is there. Address books are
// personal: a folder made here is nobody else's to read.
bool makeFolder(const QString& folder, const QString& role) {
    std::error_code ec;
    const std::filesystem::path path = QFile::encodeName(folder).toStdString();
    if (std::filesystem::create_directories(path, ec)) {
        std::filesystem::permissions(path, std::filesystem::perms::owner_all, ec);
    }
    if (ec || !QFileInfo(folder).isDir()) {
        report(QStringLiteral("%1 %2 を作れません。\r\n").arg(role, folder) +
               QString::fromStdString(ec ? ec.message() : std::string("Not a directory")));
        return false;
    }
    return true;
}

// A rename or a new link is durable only once its folder is synced.
void syncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Puts `bytes` in a new file `target`: written under a temporary name, synced,
// and renamed into place only whole and only if the name is still free, so a
// failed, concurrent or power-cut first start never leaves half a database or
// an empty one, nor replaces one. Taken: another start was first.
Placed placeNewFile(const QString& target, const QByteArray& bytes, QString& error) {
    const QString folder = QFileInfo(target).path();
    QTemporaryFile copy(folder + QStringLiteral("/.XXXXXX.mdb"));
    if (!copy.open() || copy.write(bytes) != bytes.size() || !copy.flush()) {
        error = copy.errorString();
        return Placed::Failed;
    }
    if (::fsync(copy.handle()) != 0) {
        error = systemText(errno);
        return Placed::Failed;
    }
    // rename() refuses to replace an existing file.
    if (!copy.rename(target)) {
        error = copy.errorString();
        return QFileInfo::exists(target) ? Placed::Taken : Placed::Failed;
    }
    copy.setAutoRemove(false);  // it would remove the file under its new name
    syncFolder(folder);
    return Placed::Done;
}

// Moves a file to a free name: a second link, then the old name removed; a
// copy where the two folders lie on different file systems. At no moment is
// the file in neither place.
Placed moveFile(const QString& from, const QString& to, QString& error) {
    const QByteArray source = QFile::encodeName(from);
    if (::link(source.constData(), QFile::encodeName(to).constData()) == 0) {
        syncFolder(QFileInfo(to).path());
    } else if (errno == EEXIST) {
        return Placed::Taken;
    } else {
        QFile file(from);
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        if (file.error() != QFileDevice::NoError) {
            error = file.errorString();
            return Placed::Failed;
        }
        if (const Placed placed = placeNewFile(to, bytes, error); placed != Placed::Done) {
            return placed;
        }
    }
    ::unlink(source.constData());
    syncFolder(QFileInfo(from).path());
    return Placed::Done;
}

// An installed copy's two folders, and in the first the working database: the
// one the earlier layout kept beside the executable if the user has one there,
// else a copy of the installed empty one. Sets `movedFrom` to where a database
// was moved from.
bool prepareUserFolders(QString& movedFrom) {
    if (!makeFolder(WorkPath, QStringLiteral("作業用フォルダ")) ||
        !makeFolder(OutPath, QStringLiteral("出力フォルダ"))) {
        return false;
    }
    if (QFileInfo::exists(DbPath)) {
        return true;  // it holds the user's last import
    }
    QString error;
    // A per-user install used to work beside its executable, and its database
    // holds the user's last import. One the user does not own belongs to
    // someone else (root's, say, in a system-wide install) and is never read.
    const QString earlier = AppPath + u'/' + ExeBaseName + QStringLiteral(".mdb");
    const QFileInfo info(earlier);
    if (info.isFile() && !info.isSymLink() && info.ownerId() == ::geteuid()) {
        // A hot journal holds what an interrupted import had changed; opening
        // the database once rolls it back, so that the file can move alone.
        if (QFileInfo::exists(earlier + QStringLiteral("-journal"))) {
            try {
                zt::Database::open(earlier);
            } catch (const std::exception&) {
                // the real open below reports what is wrong with it
            }
        }
        const Placed placed = moveFile(earlier, DbPath, error);
        if (placed == Placed::Done) {
            movedFrom = earlier;
        }
        if (placed != Placed::Failed) {
            return true;
        }
        report(QStringLiteral("作業用データベース %1 を %2 に移せません。\r\n").arg(earlier, DbPath) + error);
        return false;
    }
    const QString installed = AppPath + QStringLiteral("/empty.mdb");
    QFile source(installed);
    const QByteArray bytes = source.open(QIODevice::ReadOnly) ? source.readAll() : QByteArray();
    if (source.error() != QFileDevice::NoError) {
        error = source.errorString();
    } else if (placeNewFile(DbPath, bytes, error) != Placed::Failed) {
        return true;
    }
    report(QStringLiteral("作業用データベース %1 を %2 から用意できません。\r\n").arg(DbPath, installed) +
           error);
    return false;
}

std::unique_ptr<zt::Database> openDatabase(const QString& path) {
    try {
        return zt::Database::open(path);
    } catch (const zt::Error& e) {
        report(e.text());  // the database layer's texts already name the file
    } catch (const std::exception& e) {
        report(QStringLiteral("作業用データベース %1 を開けません。\r\n").arg(path) +
               QString::fromUtf8(e.what()));
    }
    return nullptr;
}

void print(FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
}

// What --help shows, with the paths of this copy as its user would find them.
QString usage() {
    // There is no application object yet to ask.
    const QString executable = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    const QString appPath = QFileInfo(executable).path();
    return QStringLiteral(
               "使い方: ztadrcnv [オプション]\n"
               "\n"
               "%1。Norrik! メールのアドレス帳を作業用データベースに読み込み、\n"
               "vCard、Outlook 用 CSV、Thunderbird 用 LDIF、CSV、EdMax と鶴亀のアドレス帳に書き出します。\n"
               "操作は画面で行います。\n"
               "\n"
               "作業用データベース: %2\n"
               "出力フォルダ:       %3\n"
               "\n"
               "オプション:\n"
               "  -h, --help     この説明を表示して終わります\n"
               "  -v, --version  バージョンを表示して終わります\n")
        .arg(QStringLiteral(ZT_APP_TITLE),
             WorkingFolderFor(appPath) + u'/' + ExecutableBaseName(executable) + QStringLiteral(".mdb"),
             OutputFolderFor(appPath));
}

struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};
QList<HeldMessage> heldMessages;
QtMessageHandler qtMessageHandler = nullptr;

void holdUntilConnected(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        heldMessages.append({type, context.category, text});
        return;
    }
    // Qt's own words here ("Reinstalling the application may fix this
    // problem") send the user the wrong way.
    const auto shown = [](const char* name) {
        const QString value = qEnvironmentVariable(name);
        return QString::fromLatin1(name) + u'=' + (value.isEmpty() ? QStringLiteral("(未設定)") : value);
    };
    QStringList tried{shown("DISPLAY"), shown("WAYLAND_DISPLAY")};
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        tried.prepend(shown("QT_QPA_PLATFORM"));
    }
    print(stderr,
          QStringLiteral("ztadrcnv: 画面に接続できません（%1）。デスクトップの中で起動してください。\n")
              .arg(tried.join(QStringLiteral("、"))));
    std::_Exit(1);
}

}  // namespace

bool IsInstalledCopy(const QString& appPath) {
    return QFileInfo(appPath + QStringLiteral("/empty.mdb")).isFile();
}

QString WorkingFolderFor(const QString& appPath) {
    if (!IsInstalledCopy(appPath)) {
        return appPath;
    }
    // Unset, empty or relative: the XDG base directory rules say to ignore it.
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(dataHome)) {
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    }
    return QDir::cleanPath(dataHome + QStringLiteral("/ztadrcnv"));
}

QString OutputFolderFor(const QString& appPath) {
    if (!IsInstalledCopy(appPath)) {
        return appPath;
    }
    return QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
                           QStringLiteral("/ZTADRCNV"));
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
    DbPath = WorkPath + u'/' + ExeBaseName + QStringLiteral(".mdb");
    OutPath = OutputFolderFor(appPath);
    QString movedFrom;
    if (IsInstalledCopy(AppPath)) {
        if (!prepareUserFolders(movedFrom)) {
            return nullptr;
        }
    } else if (::access(QFile::encodeName(AppPath).constData(), W_OK) != 0) {
        // SQLite keeps its journal beside the database, and every output is
        // written there: a folder on read-only media would fail every job.
        report(QStringLiteral("作業用フォルダ %1 は読み取り専用のため、書き込めません。\r\n").arg(AppPath) +
               systemText(errno));
        return nullptr;
    }
    // Every path the program builds starts from WorkPath, OutPath or AppPath;
    // the current directory follows WorkPath only so that nothing can depend
    // on where it was started from.
    QDir::setCurrent(WorkPath);
    std::unique_ptr<zt::Database> db = openDatabase(DbPath);
    if (db && !movedFrom.isEmpty()) {
        report(
            QStringLiteral("作業用データベースの置き場所が変わりました。\r\n%1\r\nを\r\n%2\r\nに移しました。")
                .arg(movedFrom, DbPath),
            zt::MessageBox::Icon::Information);
    }
    return db;
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

std::optional<int> HandleCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    // -h and -v as the short forms, and Qt's own -platform and its kind as words.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOptions({help, version});
    // QApplication takes these off the command line later.
    for (const char* name : {"platform", "platformtheme", "display", "session", "style"}) {
        QCommandLineOption qtOption(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qtOption);
    }
    if (!parser.parse(arguments) || !parser.positionalArguments().isEmpty()) {
        QString why = parser.errorText();
        if (!parser.unknownOptionNames().isEmpty()) {
            why = QStringLiteral("知らないオプションです: ") + parser.unknownOptionNames().join(u' ');
        } else if (!parser.positionalArguments().isEmpty()) {
            why = QStringLiteral("引数は取りません: ") + parser.positionalArguments().join(u' ');
        }
        print(stderr, QStringLiteral("ztadrcnv: ") + why + QStringLiteral("\n\n") + usage());
        return 2;
    }
    if (parser.isSet(help)) {
        print(stdout, usage());
        return 0;
    }
    if (parser.isSet(version)) {
        print(stdout, QStringLiteral("ztadrcnv ") + VersionNumber() + u'\n');
        return 0;
    }
    return std::nullopt;
}

DisplayGuard::DisplayGuard() {
    qtMessageHandler = qInstallMessageHandler(holdUntilConnected);
}

DisplayGuard::~DisplayGuard() {
    qInstallMessageHandler(qtMessageHandler);
    for (const HeldMessage& message : std::exchange(heldMessages, {})) {
        if (qtMessageHandler != nullptr) {
            qtMessageHandler(message.type,
                             QMessageLogContext(nullptr, 0, nullptr, message.category.constData()),
                             message.text);
        }
    }
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
    ZTAdrF00 menu(JobWindows(*db, OutPath), HelpFilePath());
    QObject::connect(&menu, &ZTAdrF00::menuClosed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    menu.show();
    const int status = QApplication::exec();
    if (zt::fatalErrorReported()) {
        return 1;
    }
    return status;
}

}  // namespace ZTAdrM1
