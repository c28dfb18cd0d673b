#pragma once

#include <QString>
#include <functional>

#include "db/database.h"
#include "people/people_store.h"

// Loading an address book folder into the working database. No widgets: the
// import window and the benchmark drive the same functions.
namespace zt {

struct DirectoryEntry;

// Receives the progress texts the user is shown while the import runs.
using StatusCallback = std::function<void(const QString&)>;

// Replaces the whole content of the working database with the address book in
// `folderPath`. Either all of it happens or nothing does: on any failure the
// old data stays and zt::Error propagates. The groups are the visible
// immediate sub-folders, in the order a listing shows names regardless of case;
// a folder's name is read as UTF-8, or as CP932 where it is not UTF-8 (a book
// unpacked from a Windows archive), and stored as read.
// `status` hears, per group, its name and then the folder being read. Returns
// the number of group folders.
int importAddressBook(Database& db, const QString& folderPath, const StatusCallback& status = {});

// The statements an import stores through, prepared once for the whole import.
struct ImportStatements {
    explicit ImportStatements(Database& db);
    CardStore cards;
    Statement title;
};

// Stores the cards of one group folder (CardStore::add) and then sets job titles from its
// `Group.idx` on the first-stored entry of each name and address, among every entry stored so far. `group` is
// the group folder as listed in `folderPath`; its files are opened by their raw names. A missing card file or
// index file contributes nothing.
void ReadGroupFolder(const QString& folderPath, const DirectoryEntry& group, ImportStatements& store,
                     const StatusCallback& status = {});

}  // namespace zt
