#include "import/address_book_import.h"

#include <QDir>
#include <algorithm>

#include "card/card_reader.h"
#include "db/database.h"
#include "people/people_store.h"
#include "platform/ansi_text_file.h"
#include "platform/directory_listing.h"

namespace zt {

namespace {

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
// bytes), in listing order by the names as the user reads them. Hidden
// folders are never groups; hidden files are kept for the index file, which is
// opened by its name whatever its attributes.
std::vector<DirectoryEntry> listedEntries(const QByteArray& folder, Wanted wanted) {
    std::vector<DirectoryEntry> entries = listDirectory(folder);
    std::erase_if(entries, [wanted](const DirectoryEntry& e) {
        return wanted == Wanted::Folders ? !e.isFolder || e.hidden : !e.isFile;
    });
    std::sort(entries.begin(), entries.end(),
              [](const DirectoryEntry& a, const DirectoryEntry& b) { return listingOrder(a.text, b.text); });
    return entries;
}

// The first visible card file in listing order; a copied address book may
// have the extension, or the index file's name, in another case.
const DirectoryEntry* findCardFile(const std::vector<DirectoryEntry>& files) {
    for (const DirectoryEntry& file : files) {
        if (!file.hidden && file.text.endsWith(QStringLiteral(".nrk"), Qt::CaseInsensitive)) {
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

ImportStatements::ImportStatements(Database& db)
    : cards(db),
      // A title belongs to the first-stored entry of its name and address, whichever group folder
      // that entry came from; IS pairs them as 出力情報 does, NULL apart from the empty text.
      title(db.Prepare(QStringLiteral("UPDATE アドレス情報 SET 役職 = ? WHERE rowid = "
                                      "(SELECT rowid FROM アドレス情報 WHERE 名前 IS ? AND アドレス IS ? "
                                      "ORDER BY rowid LIMIT 1)"))) {}

void ReadGroupFolder(const QString& folderPath, const DirectoryEntry& group, ImportStatements& store,
                     const StatusCallback& status) {
    // Opened by the bytes of its name, which may not be UTF-8.
    const QByteArray groupFolder = encodeFileName(folderPath) + '/' + group.name;
    const std::vector<DirectoryEntry> files = listedEntries(groupFolder, Wanted::Files);

    report(status, QDir::toNativeSeparators(folderPath) + kReadingFrom);
    if (const DirectoryEntry* cardFile = findCardFile(files)) {
        auto reader = AnsiTextReader::fromNativePath(groupFolder + '/' + cardFile->name);
        for (const Card& card : readCards(reader)) {
            store.cards.add(group.text, card);
        }
    }

    report(status, QDir::toNativeSeparators(folderPath) + kReadingFrom);
    const DirectoryEntry* indexFile = findIndexFile(files);
    if (indexFile == nullptr) {
        return;
    }
    auto reader = AnsiTextReader::fromNativePath(groupFolder + '/' + indexFile->name);
    TabFields fields;
    while (!reader.atEnd()) {
        // Without a sixth field the line names no title; looking up its name
        // and address could only match by accident.
        if (SplitTabFields(reader.readLine(), fields) >= 6) {
            store.title.Execute({text(fields[5]), text(fields[3]), text(fields[4])});
        }
    }
}

int importAddressBook(Database& db, const QString& folderPath, const StatusCallback& status) {
    const std::vector<DirectoryEntry> groups = listedEntries(encodeFileName(folderPath), Wanted::Folders);

    Transaction transaction(db);
    db.Execute(QStringLiteral("DELETE FROM アドレス情報"));
    db.Execute(QStringLiteral("DELETE FROM グループ情報"));
    ImportStatements store(db);
    for (const DirectoryEntry& group : groups) {
        report(status, group.text + kReadingFrom);
        ReadGroupFolder(folderPath, group, store, status);
    }
    transaction.commit();
    return int(groups.size());
}

}  // namespace zt
