// A whole import of a two-group address book built from the input, checked
// against a model of what it must store. The input is cut at 0x1E into up to
// four parts: the card file and Group.idx of the first group folder, then of
// the second; a part that is not there is a file that is not there. The
// address book folder and the working database are made once and reused, so
// each input costs one import, not a database creation.
//
// What must hold: the import never fails on file contents; both tables get
// exactly one row per card, in order, with the values a plain model of the
// card file reads (so the card reader and the index split are checked too); a
// job title lands only on the first-stored entry of a name and address that
// an index line of six or more fields names, after that group's cards are in,
// and the last such line wins.
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

#include "db/database.h"
#include "import/address_book_import.h"
#include "platform/cp932.h"

namespace {

using Row = QList<zt::FieldValue>;

// Folder names that would break any SQL pasted together from them; listed
// here in the order the import visits them.
const QString kGroups[] = {QStringLiteral("A'; DROP TABLE グループ情報;--"), QStringLiteral("B\"q\" ;")};

struct Fixture {
    Fixture() : picked(dir.filePath(QStringLiteral("AddrBook/picked"))) {
        for (const QString& group : kGroups) {
            QDir().mkpath(picked + u'/' + group);
        }
        zt::Database::create(dir.filePath(QStringLiteral("work.mdb")));
        db = zt::Database::open(dir.filePath(QStringLiteral("work.mdb")));
        // Durability is no concern for a throw-away database; an fsync or a
        // journal file per input would cost more than the import itself.
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
    QFile file(path);
    if (bytes == nullptr) {
        file.remove();
    } else if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
               file.write(*bytes) != bytes->size()) {
        std::abort();
    }
}

// The model decodes a whole file at once and splits it into lines afterwards:
// no CP932 trail byte is CR or LF, so this must agree with the reader's
// byte-wise split. A line end closes a line; it opens no empty one after it.
QStringList modelLines(const QByteArray* bytes) {
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = bytes ? zt::cp932::decode(*bytes).split(lineEnd) : QStringList();
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

// Appends the group's cards as entry rows (name, address, company,
// department, title) and membership rows (group, name, address).
void modelCards(const QStringList& lines, const QString& group, QList<Row>& entries,
                QList<Row>& memberships) {
    QString name, address, company, department;
    const auto store = [&] {
        entries << Row{name, address, company, department, std::nullopt};
        memberships << Row{group, name, address};
        name = address = company = department = QString();
    };
    for (const QString& line : lines) {
        if (line.left(9) == QLatin1String("END:VCARD")) {
            store();
        } else if (line.startsWith(QLatin1String("FN:"))) {
            name = line.mid(3);
        } else if (line.startsWith(QLatin1String("ORG:"))) {
            const QStringList org = line.mid(4).split(QLatin1Char(';'));
            company = org[0];
            department = org.mid(1).join(QLatin1Char(';'));
            if (org.size() > 2 && org.last().isEmpty()) {
                department.chop(1);
            }
        } else if (line.startsWith(QLatin1String("EMAIL;PREF:"))) {
            address = line.mid(11);
        }
    }
    if (!(name + address + company + department).isEmpty()) {
        store();  // a last card without its END:VCARD
    }
}

void modelTitles(const QStringList& lines, QList<Row>& entries) {
    for (const QString& line : lines) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        for (Row& entry : entries) {
            if (fields.size() >= 6 && entry[0] == fields[3] && entry[1] == fields[4]) {
                entry[4] = fields[5];
                break;
            }
        }
    }
}

QList<Row> tableRows(zt::Database& db, const char* sql) {
    QList<Row> rows;
    for (zt::Recordset rs = db.OpenRecordset(QString::fromUtf8(sql)); !rs.Eof(); rs.MoveNext()) {
        rows << Row();
        for (int i = 0; i < rs.FieldCount(); ++i) {
            rows.last() << rs.Fields(i);
        }
    }
    return rows;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Fixture fixture;
    const QList<QByteArray> parts =
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)).split('\x1e');
    const auto part = [&](int i) { return i < parts.size() ? &parts[i] : nullptr; };

    QList<Row> entries, memberships;
    for (int g = 0; g < 2; ++g) {
        const QString folder = fixture.picked + u'/' + kGroups[g];
        place(folder + QStringLiteral("/c.nrk"), part(2 * g));
        place(folder + QStringLiteral("/Group.idx"), part(2 * g + 1));
        modelCards(modelLines(part(2 * g)), kGroups[g], entries, memberships);
        modelTitles(modelLines(part(2 * g + 1)), entries);
    }
    try {
        if (zt::importAddressBook(*fixture.db, fixture.picked) != 2 ||
            tableRows(*fixture.db,
                      "SELECT 名前, アドレス, 会社名, 部署名, 役職 FROM アドレス情報 ORDER BY rowid") !=
                entries ||
            tableRows(*fixture.db, "SELECT グループ, 名前, アドレス FROM グループ情報 ORDER BY rowid") !=
                memberships) {
            std::abort();
        }
    } catch (...) {
        std::abort();  // file contents alone must never make the import fail
    }
    return 0;
}
