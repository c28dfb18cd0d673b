// A whole import of a two-group address book built from the input, checked
// against a model of what it must store. The input is cut at 0x1E into up to
// four parts: the card file and Group.idx of the first group folder, then of
// the second; a part that is not there is a file that is not there. The
// address book folder and the working database are made once and reused, so
// each input costs one import, not a database creation.
//
// What must hold: the import never fails on file contents; both tables get
// exactly one row per card read, in order, with the values as decoded; a job
// title lands only on the first-stored entry of a name and address that an
// index line of six or more fields names, after that group's cards are in,
// and the last such line wins.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "db/database.h"
#include "import/address_book_import.h"
#include "import/card_reader.h"
#include "platform/ansi_text_file.h"

namespace {

// Folder names that would break any SQL pasted together from them; listed
// here in the order the import visits them.
const QString kGroups[] = {QStringLiteral("A'; DROP TABLE グループ情報;--"), QStringLiteral("B\"q\" ;")};

struct Fixture {
    // In memory where the system offers it: the files are rewritten per input.
    Fixture()
        : dir(QDir(QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm")
                                                                      : QDir::tempPath())
                  .filePath(QStringLiteral("zt-fuzz-import-XXXXXX"))) {
        if (!dir.isValid()) {
            std::abort();
        }
        picked = dir.filePath(QStringLiteral("AddrBook/picked"));
        for (const QString& group : kGroups) {
            if (!QDir().mkpath(picked + u'/' + group)) {
                std::abort();
            }
        }
        const QString dbPath = dir.filePath(QStringLiteral("work.mdb"));
        zt::Database::create(dbPath);
        db = zt::Database::open(dbPath);
        // Durability is no concern for a throw-away database; an fsync per
        // input would cost more than the import itself.
        db->Execute(QStringLiteral("PRAGMA synchronous = OFF"));
        db->Execute(QStringLiteral("PRAGMA journal_mode = MEMORY"));
    }
    QTemporaryDir dir;
    QString picked;
    std::unique_ptr<zt::Database> db;
};

// Rewrites a file in place rather than removing and creating it: a new inode
// per input cost more than the import.
void place(const QString& path, const QByteArray* bytes) {
    if (bytes == nullptr) {
        QFile::remove(path);
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(*bytes) != bytes->size()) {
        std::abort();
    }
}

std::vector<zt::Card> cardsOf(const QByteArray* bytes) {
    if (bytes == nullptr) {
        return {};
    }
    auto reader = zt::AnsiTextReader::fromBytes(*bytes);
    return zt::readCards(reader);
}

struct Stored {
    zt::Card card;
    QString group;
    zt::FieldValue title;
};

// Applies one group's index lines to everything stored so far.
void applyTitles(const QByteArray* bytes, std::vector<Stored>& stored) {
    if (bytes == nullptr) {
        return;
    }
    auto reader = zt::AnsiTextReader::fromBytes(*bytes);
    zt::TabFields fields;
    while (!reader.atEnd()) {
        if (zt::SplitTabFields(reader.readLine(), fields) < 6) {
            continue;
        }
        for (Stored& s : stored) {
            if (s.card.name == fields[3] && s.card.address == fields[4]) {
                s.title = fields[5];
                break;
            }
        }
    }
}

QList<QList<zt::FieldValue>> tableRows(zt::Database& db, const char* sql) {
    QList<QList<zt::FieldValue>> rows;
    for (zt::Recordset rs = db.OpenRecordset(QString::fromUtf8(sql)); !rs.Eof(); rs.MoveNext()) {
        QList<zt::FieldValue> row;
        for (int i = 0; i < rs.FieldCount(); ++i) {
            row << rs.Fields(i);
        }
        rows << row;
    }
    return rows;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Fixture fixture;
    const QList<QByteArray> parts =
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)).split('\x1e');
    const auto part = [&](int i) { return i < parts.size() ? &parts[i] : nullptr; };

    std::vector<Stored> expected;
    for (int g = 0; g < 2; ++g) {
        const QString folder = fixture.picked + u'/' + kGroups[g];
        place(folder + QStringLiteral("/c.nrk"), part(2 * g));
        place(folder + QStringLiteral("/Group.idx"), part(2 * g + 1));
        for (const zt::Card& card : cardsOf(part(2 * g))) {
            expected.push_back({card, kGroups[g], std::nullopt});
        }
        applyTitles(part(2 * g + 1), expected);
    }

    try {
        if (zt::importAddressBook(*fixture.db, fixture.picked) != 2) {
            std::abort();
        }
        const auto entries = tableRows(
            *fixture.db, "SELECT 名前, アドレス, 会社名, 部署名, 役職 FROM アドレス情報 ORDER BY rowid");
        const auto memberships =
            tableRows(*fixture.db, "SELECT グループ, 名前, アドレス FROM グループ情報 ORDER BY rowid");
        if (entries.size() != static_cast<qsizetype>(expected.size()) ||
            memberships.size() != entries.size()) {
            std::abort();
        }
        for (size_t i = 0; i < expected.size(); ++i) {
            const Stored& e = expected[i];
            const QList<zt::FieldValue> entry{e.card.name, e.card.address, e.card.company, e.card.department,
                                              e.title};
            const QList<zt::FieldValue> membership{e.group, e.card.name, e.card.address};
            if (entries[static_cast<qsizetype>(i)] != entry ||
                memberships[static_cast<qsizetype>(i)] != membership) {
                std::abort();
            }
        }
    } catch (...) {
        std::abort();  // file contents alone must never make the import fail
    }
    return 0;
}
