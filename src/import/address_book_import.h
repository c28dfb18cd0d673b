#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Loading an address book folder into the working database. No widgets: the
// import window and the benchmark drive the same functions.
namespace zt {

class Database;
class Recordset;

// Receives the progress texts the user is shown while the import runs.
using StatusCallback = std::function<void(const QString&)>;

// Replaces the whole content of the working database with the address book in
// `folderPath`, whose immediate sub-folders are the groups. Either all of it
// happens or nothing does: on any failure the old data stays and zt::Error
// propagates. Returns the number of group folders read.
int importAddressBook(Database& db, const QString& folderPath, const StatusCallback& status = {});

// Stores the cards of one group folder (a membership row, then an entry row,
// per card) and then sets job titles from its `Group.idx` on the first-stored
// entry of each name and address, among everything `entries` holds so far.
// A missing card file or index file simply contributes nothing.
void ReadGroupFolder(const QString& folderPath, const QString& groupName, Recordset& entries,
                     Recordset& memberships, const StatusCallback& status = {});

// The group folders of an address book folder: its visible immediate
// sub-folders, in the order a listing shows names regardless of case.
QStringList groupFolderNames(const QString& folderPath);

}  // namespace zt
