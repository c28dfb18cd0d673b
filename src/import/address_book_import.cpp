#include "import/address_book_import.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "db/database.h"
#include "import/card_reader.h"
#include "platform/ansi_text_file.h"
#include "platform/cp932.h"
#include "platform/directory_listing.h"
#include "platform/error.h"

namespace zt {

namespace {

const QString kEntriesTable = QStringLiteral("アドレス情報");
const QString kMembershipsTable = QStringLiteral("グループ情報");
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

enum class Wanted { Folders, Files };

// The names of the folders or regular files in `folder`, in listing order.
// A name that is not UTF-8 (an address book unpacked with its Windows names)
// stops the import with the name decoded as the user knows it, rather than
// being passed over and its cards lost.
QStringList visibleNames(const QString& folder, Wanted wanted) {
    // A folder that cannot be listed would look empty; that must not pass for
    // an address book without cards.
    const QFileInfo info(folder);
    if (!info.isDir()) {
        throw Error(QStringLiteral("フォルダ %1 が見つかりません。").arg(folder));
    }
    QStringList names;
    for (const DirectoryEntry& entry : listDirectory(QFile::encodeName(folder))) {
        if (wanted == Wanted::Folders ? !entry.isFolder : !entry.isFile) {
            continue;
        }
        const QString name = QFile::decodeName(entry.name);
        if (QFile::encodeName(name) != entry.name) {
            throw Error(QStringLiteral("名前を読み取れません: %1（UTF-8 の名前ではありません）")
                            .arg(folder + u'/' + cp932::decode(entry.name)));
        }
        names.append(name);
    }
    std::sort(names.begin(), names.end(), listingOrder);
    return names;
}

// The first card file in listing order; a copied address book may have the
// extension, or the index file's name, in another case.
QString findCardFile(const QStringList& files) {
    for (const QString& name : files) {
        if (name.endsWith(QStringLiteral(".nrk"), Qt::CaseInsensitive)) {
            return name;
        }
    }
    return QString();
}

QString findIndexFile(const QStringList& files) {
    if (files.contains(kIndexFileName)) {
        return kIndexFileName;
    }
    for (const QString& name : files) {
        if (name.compare(kIndexFileName, Qt::CaseInsensitive) == 0) {
            return name;
        }
    }
    return QString();
}

}  // namespace

void ReadGroupFolder(const QString& folderPath, const QString& groupName, Recordset& entries,
                     Recordset& memberships, const StatusCallback& status) {
    const QString groupFolder = folderPath + u'/' + groupName;
    const QStringList files = visibleNames(groupFolder, Wanted::Files);

    report(status, folderPath + kReadingFrom);
    const QString cardFile = findCardFile(files);
    if (!cardFile.isEmpty()) {
        const int memberGroup = memberships.FieldIndex(QStringLiteral("グループ"));
        const int memberName = memberships.FieldIndex(QStringLiteral("名前"));
        const int memberAddress = memberships.FieldIndex(QStringLiteral("アドレス"));
        const int name = entries.FieldIndex(QStringLiteral("名前"));
        const int address = entries.FieldIndex(QStringLiteral("アドレス"));
        const int company = entries.FieldIndex(QStringLiteral("会社名"));
        const int department = entries.FieldIndex(QStringLiteral("部署名"));
        AnsiTextReader reader(groupFolder + u'/' + cardFile);
        for (const Card& card : readCards(reader)) {
            memberships.AddNew();
            memberships.SetField(memberGroup, text(groupName));
            memberships.SetField(memberName, text(card.name));
            memberships.SetField(memberAddress, text(card.address));
            memberships.Update();

            entries.AddNew();
            entries.SetField(name, text(card.name));
            entries.SetField(address, text(card.address));
            entries.SetField(company, text(card.company));
            entries.SetField(department, text(card.department));
            entries.Update();
        }
    }

    report(status, folderPath + kReadingFrom);
    const QString indexFile = findIndexFile(files);
    if (indexFile.isEmpty()) {
        return;
    }
    // A title belongs to the first-stored entry of its name and address,
    // whichever group folder that entry came from.
    const int title = entries.FieldIndex(QStringLiteral("役職"));
    AnsiTextReader reader(groupFolder + u'/' + indexFile);
    TabFields fields;
    while (!reader.atEnd()) {
        // Without a sixth field the line names no title; looking up its name
        // and address could only match by accident.
        if (SplitTabFields(reader.readLine(), fields) < 6) {
            continue;
        }
        entries.FindFirst(QStringLiteral("名前 = ? AND アドレス = ?"), {text(fields[3]), text(fields[4])});
        if (entries.NoMatch()) {
            continue;
        }
        entries.Edit();
        entries.SetField(title, text(fields[5]));
        entries.Update();
    }
}

int importAddressBook(Database& db, const QString& folderPath, const StatusCallback& status) {
    const QStringList groups = visibleNames(folderPath, Wanted::Folders);

    Transaction transaction(db);
    db.Execute(QStringLiteral("DELETE FROM ") + kEntriesTable);
    db.Execute(QStringLiteral("DELETE FROM ") + kMembershipsTable);
    {
        // One pair of record sets for the whole import: their statements are
        // prepared once, and the title lookups see every entry stored so far.
        Recordset entries = db.OpenRecordset(QStringLiteral("SELECT * FROM ") + kEntriesTable);
        Recordset memberships = db.OpenRecordset(kMembershipsTable);
        for (const QString& group : groups) {
            report(status, group + kReadingFrom);
            ReadGroupFolder(folderPath, group, entries, memberships, status);
        }
    }
    transaction.commit();
    return int(groups.size());
}

}  // namespace zt
