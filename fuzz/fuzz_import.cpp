// A whole import of a two-group address book built from the input, checked
// against a model of what it must store. The input is cut at 0x1E into up to
// four parts: the card file and Group.idx of the first group folder, then of
// the second; a part that is not there is a file that is not there. The
// address book folder and the working database are made once and reused, so
// each input costs one import, not a database creation.
//
// What must hold: the import never fails on file contents; both tables get
// exactly one row per card, in order, with the values a plain model of the
// card file reads (so the card reader and the index split are checked too); a job
// title lands only on the first-stored entry of a name and address that an
// index line of six or more fields names, after that group's cards are in,
// and the last such line wins.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "db/database.h"
#include "import/address_book_import.h"
#include "import/card_reader.h"
#include "platform/cp932.h"

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

// The model decodes a whole file at once and splits it into lines afterwards:
// no CP932 trail byte is CR or LF, so this must agree with the reader's
// byte-wise split.
QStringList modelLines(const QByteArray* bytes) {
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    if (bytes == nullptr) {
        return {};
    }
    QStringList lines = zt::cp932::decode(*bytes).split(lineEnd);
    // A line end closes a line; it does not open an empty one after it.
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

std::vector<zt::Card> modelCards(const QStringList& lines) {
    std::vector<zt::Card> cards;
    zt::Card card;
    for (const QString& line : lines) {
        if (line.left(9) == QLatin1String("END:VCARD")) {
            cards.push_back(card);
            card = zt::Card();
        } else if (line.startsWith(QLatin1String("FN:"))) {
            card.name = line.mid(3);
        } else if (line.startsWith(QLatin1String("ORG:"))) {
            const QString org = line.mid(4);
            const qsizetype semicolon = org.indexOf(QLatin1Char(';'));
            card.company = semicolon < 0 ? org : org.left(semicolon);
            card.department = semicolon < 0 ? QString() : org.mid(semicolon + 1);
            if (card.department.endsWith(QLatin1Char(';'))) {
                card.department.chop(1);
            }
        } else if (line.startsWith(QLatin1String("EMAIL;PREF:"))) {
            card.address = line.mid(11);
        }
    }
    if (!(card.name + card.address + card.company + card.department).isEmpty()) {
        cards.push_back(card);
    }
    return cards;
}

struct Stored {
    zt::Card card;
    QString group;
    zt::FieldValue title;
};

// Applies one group's index lines to everything stored so far: a line of six
// or more TAB-separated fields sets the title of the first-stored entry of
// its name and address.
void applyTitles(const QStringList& lines, std::vector<Stored>& stored) {
    for (const QString& line : lines) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() < 6) {
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
        for (const zt::Card& card : modelCards(modelLines(part(2 * g)))) {
            expected.push_back({card, kGroups[g], std::nullopt});
        }
        applyTitles(modelLines(part(2 * g + 1)), expected);
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
