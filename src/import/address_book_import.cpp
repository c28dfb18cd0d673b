#include "import/address_book_import.h"

#include <QDateTime>
#include <QDir>
#include <QHash>
#include <QRegularExpression>
#include <algorithm>
#include <optional>
#include <utility>

#include "card/card_reader.h"
#include "db/database.h"
#include "people/people_store.h"
#include "platform/ansi_text_file.h"
#include "platform/directory_listing.h"
#include "platform/error.h"
#include "platform/folder_names.h"
#include "platform/text_file_writer.h"

namespace zt {

namespace {

const QString kReadingFrom = QStringLiteral("\r\nから読み込み");
const QString kIndexFileName = QStringLiteral("Group.idx");
const QString kCancelled = QStringLiteral("\r\n処理をキャンセルします。");

bool reportTesting = false;

void report(const StatusCallback& status, const QString& text) {
    if (status) {
        status(text);
    }
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

enum class Wanted { Folders, Files, FilesAndFolders };

// The folders or regular files in `folder` (named in the file system's own
// bytes), in listing order by the names as the user reads them. Hidden
// folders are never groups; hidden files are kept for the index file, which is
// opened by its name whatever its attributes.
std::vector<DirectoryEntry> listedEntries(const QByteArray& folder, Wanted wanted) {
    std::vector<DirectoryEntry> entries = listDirectory(folder);
    std::erase_if(entries, [wanted](const DirectoryEntry& e) {
        const bool folder = e.isFolder && !e.hidden;
        return wanted == Wanted::Folders ? !folder
               : wanted == Wanted::Files ? !e.isFile
                                         : !folder && !e.isFile;
    });
    std::sort(entries.begin(), entries.end(),
              [](const DirectoryEntry& a, const DirectoryEntry& b) { return listingOrder(a.text, b.text); });
    return entries;
}

bool isCardFile(const DirectoryEntry& file) {
    return file.isFile && !file.hidden && file.text.endsWith(QStringLiteral(".nrk"), Qt::CaseInsensitive);
}

// The first visible card file in listing order; a copied address book may
// have the extension, or the index file's name, in another case.
const DirectoryEntry* findCardFile(const std::vector<DirectoryEntry>& files) {
    for (const DirectoryEntry& file : files) {
        if (isCardFile(file)) {
            return &file;
        }
    }
    return nullptr;
}

bool holdsCardFile(const QByteArray& folder) {
    const std::vector<DirectoryEntry> files = listedEntries(folder, Wanted::Files);
    return std::any_of(files.begin(), files.end(), isCardFile);
}

// A group's folder picked for its book's: importing it would replace the
// book with nothing, every group's cards lying a level further down.
bool isGroupFolder(const QString& folderPath, const std::vector<DirectoryEntry>& groups) {
    const QByteArray folder = encodeFileName(folderPath);
    return std::none_of(
               groups.begin(), groups.end(),
               [&folder](const DirectoryEntry& group) { return holdsCardFile(folder + '/' + group.name); }) &&
           holdsCardFile(folder);
}

QString groupFolderRefusal(const QString& folderPath) {
    const QString native = QDir::toNativeSeparators(QDir::cleanPath(folderPath));
    return native + QStringLiteral("はグループのフォルダです。\r\nアドレス帳フォルダはその一つ上の ") +
           QDir::toNativeSeparators(QDir::cleanPath(folderPath + QStringLiteral("/.."))) +
           QStringLiteral(" です。") + kCancelled;
}

// Sets aside the further card files and the sub-folders of a group folder,
// and takes them out of `entries`: what is left are its files.
void setAsideExtras(const QByteArray& groupFolder, std::vector<DirectoryEntry>& entries, SetAside& aside) {
    bool cardFileSeen = false;
    std::erase_if(entries, [&](const DirectoryEntry& e) {
        if (e.isFolder) {
            aside.add(QStringLiteral("グループの中のフォルダ"), groupFolder + '/' + e.name);
            return true;
        }
        if (isCardFile(e) && std::exchange(cardFileSeen, true)) {
            aside.add(QStringLiteral("2 つめ以降のカードファイル"), groupFolder + '/' + e.name);
        }
        return false;
    });
}

// A file that cannot be read (no permission, a damaged disk) costs the user
// its own content only, not the whole import.
std::optional<AnsiTextReader> openOrSetAside(const QByteArray& path, SetAside& aside) {
    try {
        return AnsiTextReader::fromNativePath(path);
    } catch (const Error& e) {
        aside.add(QStringLiteral("読めないファイル"), path, e.text());
        return std::nullopt;
    }
}

QDateTime now() {
    return reportTesting ? QDateTime(QDate(2024, 4, 1), QTime(9, 0)) : QDateTime::currentDateTime();
}

void writeImportReport(const QString& path, const QString& folderPath, const SetAside& aside,
                       const QDateTime& when) {
    replaceReport(path,
                  QStringLiteral("アドレス帳 %1 の取り込みで読み込まなかったもの　")
                          .arg(QDir::toNativeSeparators(folderPath)) +
                      when.toString(u"yyyy/MM/dd HH:mm"),
                  aside.lines);
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

void SetAside::add(const QString& kind, const QByteArray& path, const QString& why) {
    // A TAB or line break in a name would split its line; no name the user
    // chose for an address book holds one.
    static const QRegularExpression breaks(QStringLiteral("[\t\r\n]"));
    QStringList fields{kind, QDir::toNativeSeparators(decodeFileName(path))};
    if (!why.isEmpty()) {
        fields << why;
    }
    fields.replaceInStrings(breaks, QStringLiteral(" "));
    lines << fields.join(u'\t');
}

ImportStatements::ImportStatements(Database& db)
    : cards(db),
      // A title belongs to the first-stored entry of its name and address, whichever group folder
      // that entry came from; IS pairs them as 出力情報 does, NULL apart from the empty text.
      title(db.Prepare(QStringLiteral("UPDATE アドレス情報 SET 役職 = ? WHERE rowid = "
                                      "(SELECT rowid FROM アドレス情報 WHERE 名前 IS ? AND アドレス IS ? "
                                      "ORDER BY rowid LIMIT 1)"))),
      ownTitle(db.Prepare(QStringLiteral("UPDATE アドレス情報 SET 役職 = ? WHERE rowid = ?"))) {}

qsizetype ReadGroupFolder(const QString& folderPath, const DirectoryEntry& group, ImportStatements& store,
                          SetAside& aside, const StatusCallback& status) {
    // Opened by the bytes of its name, which may not be UTF-8.
    const QByteArray groupFolder = encodeFileName(folderPath) + '/' + group.name;
    std::vector<DirectoryEntry> files = listedEntries(groupFolder, Wanted::FilesAndFolders);
    setAsideExtras(groupFolder, files, aside);
    qsizetype read = 0;

    report(status, QDir::toNativeSeparators(folderPath) + kReadingFrom);
    const DirectoryEntry* cardFile = findCardFile(files);
    // This folder's entries by the name and address their cards give in any
    // form, for an index line that names a card whose plain lines do not.
    QHash<std::pair<QString, QString>, qint64> named;
    if (auto reader = cardFile ? openOrSetAside(groupFolder + '/' + cardFile->name, aside) : std::nullopt) {
        read = readCards(*reader, [&](Card&& card) {
            const StoredCard stored = store.cards.add(group.text, std::move(card));
            if (const std::pair who{stored.name, stored.address}; !named.contains(who)) {
                named.insert(who, stored.entry);  // the first-stored one
            }
        });
    }

    report(status, QDir::toNativeSeparators(folderPath) + kReadingFrom);
    const DirectoryEntry* indexFile = findIndexFile(files);
    auto reader = indexFile ? openOrSetAside(groupFolder + '/' + indexFile->name, aside) : std::nullopt;
    if (!reader) {
        return read;
    }
    TabFields fields;
    while (!reader->atEnd()) {
        // Without a sixth field the line names no title; looking up its name
        // and address could only match by accident.
        if (SplitTabFields(reader->readLine(), fields) >= 6 &&
            store.title.Execute({storedText(fields[5]), storedText(fields[3]), storedText(fields[4])}) == 0) {
            if (const qint64 entry = named.value({fields[3], fields[4]}); entry != 0) {
                store.ownTitle.Execute({storedText(fields[5]), entry});
            }
        }
    }
    return read;
}

QString folderRefusal(const QString& folderPath) {
    if (folderPath.isEmpty()) {
        return QStringLiteral("アドレス帳フォルダが指定されていません。") + kCancelled;
    }
    // The groups are the sub-folders of a folder inside AddrBook; AddrBook
    // itself, or a folder outside it, would load the wrong thing.
    if (!pathPassesThrough(folderPath, QStringLiteral("AddrBook"))) {
        return QDir::toNativeSeparators(folderPath) +
               QStringLiteral("はアドレス帳フォルダとして不正です。（") +
               QDir::toNativeSeparators(QStringLiteral("/AddrBook/")) + QStringLiteral(" が含まれません）") +
               kCancelled;
    }
    if (isGroupFolder(folderPath, listedEntries(encodeFileName(folderPath), Wanted::Folders))) {
        return groupFolderRefusal(folderPath);
    }
    return {};
}

QString completionText(const ImportSummary& summary) {
    QString text = u' ' + QString::number(summary.groups) + QStringLiteral(" 個のグループを処理しました。") +
                   QStringLiteral("\r\nカード %1 枚を読み込み、%2 人になりました。")
                       .arg(summary.cards)
                       .arg(summary.people);
    if (summary.setAside > 0) {
        text += QStringLiteral("\r\n読み込まなかったファイルやフォルダが %1 件あります。\r\n")
                    .arg(summary.setAside) +
                QDir::toNativeSeparators(summary.reportPath) + QStringLiteral("を確認してください。");
    }
    return text;
}

QString importReportPath(const QString& dbPath) {
    return reportPathFor(dbPath);
}

ImportSummary importAddressBook(Database& db, const QString& folderPath, const StatusCallback& status) {
    const std::vector<DirectoryEntry> groups = listedEntries(encodeFileName(folderPath), Wanted::Folders);
    if (isGroupFolder(folderPath, groups)) {
        throw Error(groupFolderRefusal(folderPath));
    }

    ImportSummary summary;
    SetAside aside;
    Transaction transaction(db);
    db.Execute(QStringLiteral("DELETE FROM 人物記録"));
    db.Execute(QStringLiteral("DELETE FROM アドレス情報"));
    db.Execute(QStringLiteral("DELETE FROM グループ情報"));
    ImportStatements store(db);
    for (const DirectoryEntry& group : groups) {
        report(status, group.text + kReadingFrom);
        summary.cards += ReadGroupFolder(folderPath, group, store, aside, status);
    }
    store.cards.commitPeople();
    const QDateTime finished = now();
    db.Execute(QStringLiteral("DELETE FROM 取込記録"));
    db.Execute(QStringLiteral("INSERT INTO 取込記録 (フォルダ, 日時) VALUES (?, ?)"),
               {folderPath, finished.toString(Qt::ISODate)});
    transaction.commit();

    summary.groups = int(groups.size());
    summary.people =
        db.OpenRecordset(QStringLiteral("SELECT count(*) FROM 出力人物")).Fields(0)->toLongLong();
    summary.setAside = aside.lines.size();
    const QString reportPath = importReportPath(db.path());
    writeImportReport(reportPath, folderPath, aside, finished);
    if (summary.setAside > 0) {
        summary.reportPath = reportPath;
    }
    return summary;
}

void setImportReportTesting(bool on) {
    reportTesting = on;
}

}  // namespace zt
