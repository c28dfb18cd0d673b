#include "import/address_book_import.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <memory>

#include "db/database.h"
#include "import/card_reader.h"
#include "platform/ansi_text_file.h"
#include "platform/cp932.h"
#include "platform/error.h"

namespace zt {

namespace {

const QString kEntriesTable = QStringLiteral("アドレス情報");
const QString kMembershipsTable = QStringLiteral("グループ情報");
const QString kGroupField = QStringLiteral("グループ");
const QString kNameField = QStringLiteral("名前");
const QString kAddressField = QStringLiteral("アドレス");
const QString kCompanyField = QStringLiteral("会社名");
const QString kDepartmentField = QStringLiteral("部署名");
const QString kTitleField = QStringLiteral("役職");
const QString kReadingFrom = QStringLiteral("\r\nから読み込み");
const QString kIndexFileName = QStringLiteral("Group.idx");

void report(const StatusCallback& status, const QString& text) {
    if (status) {
        status(text);
    }
}

// Absent card values are stored as empty texts: NULL is kept for the one
// field the import leaves unset, the job title of an entry no index names.
FieldValue text(const QString& value) {
    return value.isNull() ? QStringLiteral("") : value;
}

// The address books come from a system whose directory listings order names
// without regard to case; sorting the same way keeps the groups, and so which
// entry is stored first, as the user has always seen them. Ties (names that
// differ only in case, possible here) fall back to plain code order so the
// result never depends on how the file system happens to list.
bool listingOrder(const QString& a, const QString& b) {
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        const char16_t ua = a[i].toUpper().unicode();
        const char16_t ub = b[i].toUpper().unicode();
        if (ua != ub) {
            return ua < ub;
        }
    }
    if (a.size() != b.size()) {
        return a.size() < b.size();
    }
    return a < b;
}

QStringList sortedForListing(QStringList names) {
    std::sort(names.begin(), names.end(), listingOrder);
    return names;
}

// A folder that cannot be listed would look empty; that must not pass for an
// address book without cards.
QDir listableFolder(const QString& path) {
    const QFileInfo info(path);
    if (!info.isDir()) {
        throw Error(QStringLiteral("フォルダ %1 が見つかりません。").arg(path));
    }
    if (!info.isReadable() || !info.isExecutable()) {
        throw Error(QStringLiteral("フォルダ %1 を読み込めません。").arg(path));
    }
    return QDir(path);
}

// Ordinary files only: hidden files and anything that is not a regular file
// (a folder named like a card file, a dangling link) are not ours to read.
// QDir::Files still lets through a link to a device or a FIFO, and reading
// /dev/zero never ends while a FIFO blocks for good, so links are followed
// and checked here.
QStringList visibleFiles(const QDir& folder, const QString& pattern) {
    QStringList names = folder.entryList({pattern}, QDir::Files, QDir::NoSort);
    names.removeIf([&folder](const QString& name) { return !QFileInfo(folder.filePath(name)).isFile(); });
    return sortedForListing(names);
}

enum class Wanted { GroupFolders, CardFiles };

// Qt's listing leaves out every name that is not UTF-8, as in an address book
// unpacked with its Windows (CP932) names: such a group folder or card file
// would be passed over without a word and its cards lost. The raw listing is
// searched for them so that the import stops and names the culprit, decoded
// as the user knows it.
void refuseUnlistableNames(const QDir& folder, Wanted wanted) {
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(QFile::encodeName(folder.path()).constData()),
                                                  ::closedir);
    if (!dir) {
        return;  // an unreadable folder is listableFolder's to report
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        const QByteArray name(entry->d_name);
        if (name.startsWith('.') || QFile::encodeName(QFile::decodeName(name)) == name) {
            continue;
        }
        struct stat info {};
        if (::fstatat(::dirfd(dir.get()), entry->d_name, &info, 0) != 0) {
            continue;
        }
        const bool matters = wanted == Wanted::GroupFolders
                                 ? S_ISDIR(info.st_mode)
                                 : S_ISREG(info.st_mode) && name.toLower().endsWith(".nrk");
        if (matters) {
            throw Error(QStringLiteral("名前を読み取れません: %1（UTF-8 の名前ではありません）")
                            .arg(QDir::toNativeSeparators(folder.path() + u'/' + cp932::decode(name))));
        }
    }
}

QString findCardFile(const QDir& groupFolder) {
    refuseUnlistableNames(groupFolder, Wanted::CardFiles);
    const QStringList found = visibleFiles(groupFolder, QStringLiteral("*.nrk"));
    return found.isEmpty() ? QString() : found.first();
}

// Copied address books may have the index file's name in another case.
QString findIndexFile(const QDir& groupFolder) {
    const QStringList found = visibleFiles(groupFolder, kIndexFileName);
    if (found.contains(kIndexFileName)) {
        return kIndexFileName;
    }
    return found.isEmpty() ? QString() : found.first();
}

QStringList groupFolderNames(const QString& folderPath) {
    const QDir folder = listableFolder(folderPath);
    refuseUnlistableNames(folder, Wanted::GroupFolders);
    return sortedForListing(folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::NoSort));
}

void storeCard(const Card& card, const QString& groupName, Recordset& entries, Recordset& memberships) {
    memberships.AddNew();
    memberships.SetField(kGroupField, text(groupName));
    memberships.SetField(kNameField, text(card.name));
    memberships.SetField(kAddressField, text(card.address));
    memberships.Update();

    entries.AddNew();
    entries.SetField(kNameField, text(card.name));
    entries.SetField(kAddressField, text(card.address));
    entries.SetField(kCompanyField, text(card.company));
    entries.SetField(kDepartmentField, text(card.department));
    entries.Update();
}

void setJobTitles(const QString& indexPath, Recordset& entries) {
    static const QString criterion = QStringLiteral("名前 = ? AND アドレス = ?");
    AnsiTextReader reader(indexPath);
    TabFields fields;
    while (!reader.atEnd()) {
        const QString line = reader.readLine();
        // Without a sixth field the line names no title; looking up its name
        // and address could only match by accident.
        if (SplitTabFields(line, fields) < 6) {
            continue;
        }
        entries.FindFirst(criterion, {text(fields[3]), text(fields[4])});
        if (entries.NoMatch()) {
            continue;
        }
        entries.Edit();
        entries.SetField(kTitleField, text(fields[5]));
        entries.Update();
    }
}

}  // namespace

void ReadGroupFolder(const QString& folderPath, const QString& groupName, Recordset& entries,
                     Recordset& memberships, const StatusCallback& status) {
    const QDir groupFolder = listableFolder(folderPath + u'/' + groupName);

    const QString cardFile = findCardFile(groupFolder);
    report(status, folderPath + kReadingFrom);
    if (!cardFile.isEmpty()) {
        AnsiTextReader reader(groupFolder.filePath(cardFile));
        for (const Card& card : readCards(reader)) {
            storeCard(card, groupName, entries, memberships);
        }
    }

    report(status, folderPath + kReadingFrom);
    const QString indexFile = findIndexFile(groupFolder);
    if (!indexFile.isEmpty()) {
        setJobTitles(groupFolder.filePath(indexFile), entries);
    }
}

int importAddressBook(Database& db, const QString& folderPath, const StatusCallback& status) {
    const QStringList groups = groupFolderNames(folderPath);

    Transaction transaction(db);
    db.Execute(QStringLiteral("DELETE FROM ") + kEntriesTable);
    db.Execute(QStringLiteral("DELETE FROM ") + kMembershipsTable);
    int groupCount = 0;
    {
        // One pair of record sets for the whole import: their statements are
        // prepared once, and the title lookups see every entry stored so far.
        Recordset entries = db.OpenRecordset(QStringLiteral("SELECT * FROM ") + kEntriesTable);
        Recordset memberships = db.OpenRecordset(kMembershipsTable);
        for (const QString& group : groups) {
            ++groupCount;
            report(status, group + kReadingFrom);
            ReadGroupFolder(folderPath, group, entries, memberships, status);
        }
    }
    transaction.commit();
    return groupCount;
}

}  // namespace zt
