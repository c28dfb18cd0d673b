#include "import/address_book_import.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <QHash>
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

// The name and address pairs of the entries stored so far in this import, as
// hashes: a pair whose hash is absent was certainly not stored before. A hash
// that is present may belong to another pair, so only its absence is trusted.
// One per card, so an open table of plain numbers rather than a node each.
class StoredPairs {
public:
    // True when the pair was certainly not stored before; records it.
    bool addIfNew(const QString& name, const QString& address) {
        // 0 marks a free slot.
        const size_t hash = std::max<size_t>(qHashMulti(0, name, address), 1);
        if ((count_ + 1) * 2 > slots_.size()) {
            grow();
        }
        size_t& slot = find(hash);
        if (slot == hash) {
            return false;
        }
        slot = hash;
        ++count_;
        return true;
    }

private:
    size_t& find(size_t hash) {
        const size_t mask = slots_.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            if (slots_[i] == hash || slots_[i] == 0) {
                return slots_[i];
            }
        }
    }

    void grow() {
        std::vector<size_t> old(std::max<size_t>(slots_.size() * 2, 1024), 0);
        old.swap(slots_);
        for (size_t hash : old) {
            if (hash != 0) {
                find(hash) = hash;
            }
        }
    }

    std::vector<size_t> slots_;
    size_t count_ = 0;
};

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

// The import stores a row per card and sets a title per index line; finding
// the field positions once per folder spares a name lookup per value.
struct EntryFields {
    explicit EntryFields(const TableRecordset& entries)
        : name(entries.FieldIndex(kNameField)),
          address(entries.FieldIndex(kAddressField)),
          company(entries.FieldIndex(kCompanyField)),
          department(entries.FieldIndex(kDepartmentField)),
          title(entries.FieldIndex(kTitleField)) {}
    int name, address, company, department, title;
};

struct MembershipFields {
    explicit MembershipFields(const TableRecordset& memberships)
        : group(memberships.FieldIndex(kGroupField)),
          name(memberships.FieldIndex(kNameField)),
          address(memberships.FieldIndex(kAddressField)) {}
    int group, name, address;
};

using NameAndAddress = std::pair<QString, QString>;

// The job titles an index file gives, by name and address. A later line for
// the same pair sets the same entry again, so only its title counts.
struct JobTitles {
    QHash<NameAndAddress, QString> byPair;
    std::vector<NameAndAddress> order;  // first appearance, for the lookups left over
};

JobTitles readJobTitles(const QString& indexPath) {
    JobTitles titles;
    AnsiTextReader reader(indexPath);
    TabFields fields;
    while (!reader.atEnd()) {
        const QString line = reader.readLine();
        // Without a sixth field the line names no title; looking up its name
        // and address could only match by accident.
        if (SplitTabFields(line, fields) < 6) {
            continue;
        }
        NameAndAddress pair{*text(fields[3]), *text(fields[4])};
        auto it = titles.byPair.find(pair);
        if (it == titles.byPair.end()) {
            titles.order.push_back(pair);
            titles.byPair.insert(std::move(pair), *text(fields[5]));
        } else {
            it.value() = *text(fields[5]);
        }
    }
    return titles;
}

void storeCards(const std::vector<Card>& cards, const QString& groupName, TableRecordset& entries,
                TableRecordset& memberships, JobTitles& titles, StoredPairs* stored) {
    const EntryFields e(entries);
    const MembershipFields m(memberships);
    const FieldValue group = text(groupName);
    for (const Card& card : cards) {
        const FieldValue name = text(card.name);
        const FieldValue address = text(card.address);
        memberships.AddNew();
        memberships.SetField(m.group, group);
        memberships.SetField(m.name, name);
        memberships.SetField(m.address, address);
        memberships.Update();

        entries.AddNew();
        entries.SetField(e.name, name);
        entries.SetField(e.address, address);
        entries.SetField(e.company, text(card.company));
        entries.SetField(e.department, text(card.department));
        // The first entry stored for its name and address is the one its
        // title belongs to; when that is certain here, the title goes in with
        // the entry rather than through a lookup and a second write.
        if (stored != nullptr && stored->addIfNew(*name, *address)) {
            const auto title = titles.byPair.find(NameAndAddress{*name, *address});
            if (title != titles.byPair.end()) {
                entries.SetField(e.title, title.value());
                titles.byPair.erase(title);
            }
        }
        entries.Update();
    }
}

// Sets each remaining title on the first-stored entry of its name and address,
// wherever that entry came from.
void setJobTitles(const JobTitles& titles, TableRecordset& entries) {
    static const QString criterion = QStringLiteral("名前 = ? AND アドレス = ?");
    if (titles.byPair.isEmpty()) {
        return;
    }
    const EntryFields e(entries);
    for (const NameAndAddress& pair : titles.order) {
        const auto title = titles.byPair.constFind(pair);
        if (title == titles.byPair.constEnd()) {
            continue;  // stored with its entry
        }
        entries.FindFirst(criterion, {pair.first, pair.second});
        if (entries.NoMatch()) {
            continue;
        }
        entries.Edit();
        entries.SetField(e.title, title.value());
        entries.Update();
    }
}

void readGroupFolder(const QString& folderPath, const QString& groupName, TableRecordset& entries,
                     TableRecordset& memberships, const StatusCallback& status, StoredPairs* stored) {
    const QDir groupFolder = listableFolder(folderPath + u'/' + groupName);

    const QString cardFile = findCardFile(groupFolder);
    report(status, folderPath + kReadingFrom);
    std::vector<Card> cards;
    if (!cardFile.isEmpty()) {
        AnsiTextReader reader(groupFolder.filePath(cardFile));
        cards = readCards(reader);
    }

    report(status, folderPath + kReadingFrom);
    const QString indexFile = findIndexFile(groupFolder);
    JobTitles titles;
    if (!indexFile.isEmpty()) {
        titles = readJobTitles(groupFolder.filePath(indexFile));
    }
    storeCards(cards, groupName, entries, memberships, titles, stored);
    setJobTitles(titles, entries);
}

}  // namespace

void ReadGroupFolder(const QString& folderPath, const QString& groupName, TableRecordset& entries,
                     TableRecordset& memberships, const StatusCallback& status) {
    // Nothing is known here about what `entries` held before, so every title
    // is looked up in the table.
    readGroupFolder(folderPath, groupName, entries, memberships, status, nullptr);
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
        TableRecordset entries = db.OpenTable(kEntriesTable);
        TableRecordset memberships = db.OpenTable(kMembershipsTable);
        // The tables were emptied above, so every entry there is one this
        // loop stored.
        StoredPairs stored;
        for (const QString& group : groups) {
            ++groupCount;
            report(status, group + kReadingFrom);
            readGroupFolder(folderPath, group, entries, memberships, status, &stored);
        }
    }
    transaction.commit();
    return groupCount;
}

}  // namespace zt
