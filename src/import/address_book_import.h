#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "db/database.h"
#include "people/people_store.h"

// Loading an address book folder into the working database. No widgets: the
// import window and the benchmark drive the same functions.
namespace zt {

struct DirectoryEntry;

// Receives the progress texts the user is shown while the import runs.
using StatusCallback = std::function<void(const QString&)>;

// What a group folder holds that the import does not read: files and folders
// the user might expect in the working database, each named in the import
// report by its kind, its path and, for an unreadable file, the system's text.
struct SetAside {
    QStringList lines;  // kind TAB path [TAB why], paths with the system's separators
    void add(const QString& kind, const QByteArray& path, const QString& why = {});
};

// What an import did, for the user to check that nothing is missing.
struct ImportSummary {
    int groups = 0;
    qsizetype cards = 0;
    qsizetype people = 0;  // as the person outputs write them
    qsizetype setAside = 0;
    QString reportPath;  // the import report; empty when nothing was set aside
};

// Why `folderPath` cannot be the address book to import, in the words the
// user is shown (CR LF between lines); empty when it can. Refused are: no
// folder; one that does not lie inside AddrBook (AddrBook itself included);
// a group's folder, chosen by mistake for the book's: it holds a card file
// itself while none of its sub-folders does.
QString folderRefusal(const QString& folderPath);

// The completion text: the group count as it has always been shown, then the
// cards and people, and where anything was set aside, how much and where the
// report is. CR LF between lines.
QString completionText(const ImportSummary& summary);

// Replaces the whole content of the working database with the address book in
// `folderPath`. Either all of it happens or nothing does: on any failure the
// old data stays and zt::Error propagates. A group's folder is refused so
// (see folderRefusal) before anything changes. The groups are the visible
// immediate sub-folders, in the order a listing shows names regardless of case;
// a folder's name is read as UTF-8, or as CP932 where it is not UTF-8 (a book
// unpacked from a Windows archive), and stored as read.
// `status` hears, per group, its name and then the folder being read. The
// folder as given and the time the import ended replace the row of 取込記録. Once
// the import is committed, what was set aside is listed in the import report
// beside the working database (UTF-8, CR LF), or an earlier report is removed
// when nothing was, so that a report never speaks of another import.
ImportSummary importAddressBook(Database& db, const QString& folderPath, const StatusCallback& status = {});

// The import report that belongs to the working database at `dbPath`.
QString importReportPath(const QString& dbPath);

// --- test seam: while testing, the import (its report and 取込記録) is dated 2024/04/01 09:00.
void setImportReportTesting(bool on);

// The statements an import stores through, prepared once for the whole import.
struct ImportStatements {
    explicit ImportStatements(Database& db);
    CardStore cards;
    Statement title;     // on the first-stored entry of the line's plain name and address
    Statement ownTitle;  // else on this folder's entry whose card gives them in another form
};

// Stores the cards of one group folder (CardStore::add) and then sets job titles from its
// `Group.idx` on the first-stored entry of each name and address, among every entry stored so far, or where
// none has the line's plain name and address, on this folder's first entry whose card gives them in any form
// (CardPerson::name, preferredEmail). `group` is
// the group folder as listed in `folderPath`; its files are opened by their raw names. A missing card file or
// index file contributes nothing; one that cannot be read, further card files and sub-folders go to `aside`.
// Returns the number of cards read.
qsizetype ReadGroupFolder(const QString& folderPath, const DirectoryEntry& group, ImportStatements& store,
                          SetAside& aside, const StatusCallback& status = {});

}  // namespace zt
