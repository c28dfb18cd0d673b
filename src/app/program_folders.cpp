#include "app/program_folders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <exception>

#include "db/database.h"
#include "people/people_store.h"
#include "platform/durable_file.h"
#include "platform/message_box.h"
#include "platform/user_folders.h"
#include "shell/app_state.h"
#include "version.h"

namespace ZTAdrM1 {

namespace {

using zt::durable::Placed;

void report(const QString& text, zt::MessageBox::Icon icon = zt::MessageBox::Icon::Critical) {
    zt::MessageBox::show(nullptr, text, QStringLiteral(ZT_APP_TITLE), zt::MessageBox::Buttons::Ok, icon);
}

// Makes `folder` and its parents unless it is there. Address books are
// personal: a folder made here is nobody else's to read.
bool makeFolder(const QString& folder, const QString& role) {
    QString error;
    if (!zt::makePrivateFolder(folder, error)) {
        report(QStringLiteral("%1 %2 を作れません。\r\n").arg(role, QDir::toNativeSeparators(folder)) +
               error);
        return false;
    }
    return true;
}

// A per-user install used to work beside its executable, and its database
// holds the user's last import. One the user does not own belongs to someone
// else (root's, say, in a system-wide install) and is never read.
bool hasEarlierDatabase(const QString& earlier) {
    return zt::isOwnFile(earlier);
}

// Moves the earlier layout's database to DbPath; sets `movedFrom` when it did.
bool moveEarlierDatabase(const QString& earlier, QString& movedFrom) {
    // A hot journal holds what an interrupted import had changed; opening
    // the database once rolls it back, so that the file can move alone.
    if (QFileInfo::exists(earlier + QStringLiteral("-journal"))) {
        try {
            zt::Database::open(earlier);
        } catch (const std::exception&) {
            // the real open below reports what is wrong with it
        }
    }
    QString error;
    const Placed placed = zt::durable::moveFile(earlier, DbPath, error);
    if (placed == Placed::Done) {
        movedFrom = earlier;
    }
    if (placed != Placed::Failed) {
        return true;
    }
    report(QStringLiteral("作業用データベース %1 を %2 に移せません。\r\n")
               .arg(QDir::toNativeSeparators(earlier), QDir::toNativeSeparators(DbPath)) +
           error);
    return false;
}

// Gives DbPath a copy of the installed empty database, unless another start
// was first.
bool copyEmptyDatabase() {
    const QString installed = AppPath + QStringLiteral("/empty.mdb");
    QString error;
    QFile source(installed);
    const QByteArray bytes = source.open(QIODevice::ReadOnly) ? source.readAll() : QByteArray();
    if (source.error() != QFileDevice::NoError) {
        error = source.errorString();
    } else if (zt::durable::placeNewFile(DbPath, bytes, error) != Placed::Failed) {
        return true;
    }
    report(QStringLiteral("作業用データベース %1 を %2 から用意できません。\r\n")
               .arg(QDir::toNativeSeparators(DbPath), QDir::toNativeSeparators(installed)) +
           error);
    return false;
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
    const QString earlier = DatabasePathIn(AppPath, ExeBaseName);
    return hasEarlierDatabase(earlier) ? moveEarlierDatabase(earlier, movedFrom) : copyEmptyDatabase();
}

std::unique_ptr<zt::Database> openDatabase(const QString& path) {
    try {
        return zt::openWorkingDatabase(path);
    } catch (const zt::Error& e) {
        report(e.text());  // the database layer's texts already name the file
    } catch (const std::exception& e) {
        report(
            QStringLiteral("作業用データベース %1 を開けません。\r\n").arg(QDir::toNativeSeparators(path)) +
            QString::fromUtf8(e.what()));
    }
    return nullptr;
}

}  // namespace

bool IsInstalledCopy(const QString& appPath) {
    return QFileInfo(appPath + QStringLiteral("/empty.mdb")).isFile();
}

QString WorkingFolderFor(const QString& appPath) {
    if (!IsInstalledCopy(appPath)) {
        return appPath;
    }
    return QDir::cleanPath(zt::userDataFolder() + QStringLiteral("/ztadrcnv"));
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

QString DatabasePathIn(const QString& folder, const QString& baseName) {
    return folder + u'/' + baseName + QStringLiteral(".mdb");
}

QString HelpFilePath() {
    return AppPath + u'/' + ExeBaseName + QStringLiteral(".hlp");
}

std::unique_ptr<zt::Database> OpenWorkingDatabase(const QString& appPath, const QString& baseName) {
    AppPath = appPath;
    ExeBaseName = baseName;
    WorkPath = WorkingFolderFor(appPath);
    DbPath = DatabasePathIn(WorkPath, ExeBaseName);
    OutPath = OutputFolderFor(appPath);
    QString movedFrom;
    if (IsInstalledCopy(AppPath)) {
        if (!prepareUserFolders(movedFrom)) {
            return nullptr;
        }
    } else if (QString error; !zt::canWriteIn(AppPath, error)) {
        // SQLite keeps its journal beside the database, and every output is
        // written there: a folder on read-only media, or a copy unpacked under
        // Program Files, would fail every job.
        report(QStringLiteral("作業用フォルダ %1 は読み取り専用のため、書き込めません。\r\n")
                   .arg(QDir::toNativeSeparators(AppPath)) +
               error);
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
                .arg(QDir::toNativeSeparators(movedFrom), QDir::toNativeSeparators(DbPath)),
            zt::MessageBox::Icon::Information);
    }
    return db;
}

}  // namespace ZTAdrM1
