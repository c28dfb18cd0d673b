#include "import/address_book_import.h"

#include <QFile>
#include <algorithm>

#include "db/database.h"
#include "import/card_reader.h"
#include "platform/ansi_text_file.h"
#include "platform/directory_listing.h"

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

// The folders or regular files in `folder` (named in the file system's own
// bytes), in listing order by the names as the user reads them.
std::vector<DirectoryEntry> visibleEntries(const QByteArray& folder, Wanted wanted) {
    std::vector<DirectoryEntry> entries = listDirectory(folder);
    std::erase_if(entries, [wanted](const DirectoryEntry& e) {
        return wanted == Wanted::Folders ? !e.isFolder : !e.isFile;
    });
    std::sort(entries.begin(), entries.end(),
              [](const DirectoryEntry& a, const DirectoryEntry& b) { return listingOrder(a.text, b.text); });
    return entries;
}

// The first card file in listing order; a copied address book may have the
// extension, or the index file's name, in another case.
const DirectoryEntry* findCardFile(const std::vector<DirectoryEntry>& files) {
    for (const DirectoryEntry& file : files) {
        if (file.text.endsWith(QStringLiteral(".nrk"), Qt::CaseInsensitive)) {
            return &file;
        }
    }
    return nullptr;
}

const DirectoryEntry* findIndexFile(const std::vector<DirectoryEntry>& files) {
    const DirectoryEntry* found = nullptr;
    for (const DirectoryEntry& file : files) {
        if (file.text == kIndexFileName) {
            return &file;
        }
        if (found == nullptr && file.text.compare(kIndexFileName, Qt::CaseInsensitive) == 0) {
            found = &file;
        }
    }
    return found;
}

}  // namespace

void ReadGroupFolder(const QString& folderPath, const DirectoryEntry& group, TableRecordset& entries,
                     TableRecordset& memberships, const StatusCallback& status) {
    const QString& groupName = group.text;
    // Opened by the bytes of its name, which may not be UTF-8.
    const QByteArray groupFolder = QFile::encodeName(folderPath) + '/' + group.name;
    const std::vector<DirectoryEntry> files = visibleEntries(groupFolder, Wanted::Files);

    report(status, folderPath + kReadingFrom);
    if (const DirectoryEntry* cardFile = findCardFile(files)) {
        const int memberGroup = memberships.FieldIndex(QStringLiteral("グループ"));
        const int memberName = memberships.FieldIndex(QStringLiteral("名前"));
        const int memberAddress = memberships.FieldIndex(QStringLiteral("アドレス"));
        const int name = entries.FieldIndex(QStringLiteral("名前"));
        const int address = entries.FieldIndex(QStringLiteral("アドレス"));
        const int company = entries.FieldIndex(QStringLiteral("会社名"));
        const int department = entries.FieldIndex(QStringLiteral("部署名"));
        auto reader = AnsiTextReader::fromNativePath(groupFolder + '/' + cardFile->name);
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
    const DirectoryEntry* indexFile = findIndexFile(files);
    if (indexFile == nullptr) {
        return;
    }
    // A title belongs to the first-stored entry of its name and address,
    // whichever group folder that entry came from.
    const int title = entries.FieldIndex(QStringLiteral("役職"));
    auto reader = AnsiTextReader::fromNativePath(groupFolder + '/' + indexFile->name);
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
    const std::vector<DirectoryEntry> groups = visibleEntries(QFile::encodeName(folderPath), Wanted::Folders);

    Transaction transaction(db);
    db.Execute(QStringLiteral("DELETE FROM ") + kEntriesTable);
    db.Execute(QStringLiteral("DELETE FROM ") + kMembershipsTable);
    {
        // One pair of record sets for the whole import: their statements are
        // prepared once, and the title lookups see every entry stored so far.
        TableRecordset entries = db.OpenTable(kEntriesTable);
        TableRecordset memberships = db.OpenTable(kMembershipsTable);
        for (const DirectoryEntry& group : groups) {
            report(status, group.text + kReadingFrom);
            ReadGroupFolder(folderPath, group, entries, memberships, status);
        }
    }
    transaction.commit();
    return int(groups.size());
}

}  // namespace zt
