// An import of two groups against a model. The input, cut at 0x1E, gives each
// group's card file and Group.idx; a missing part is a missing file. A title
// goes to the first-stored entry of the pair an index line of six or more
// fields names; the last such line wins. The stored cards' bytes, in order,
// are each card file up to the end of its last END:VCARD line, or the whole
// file when a card after that line was kept.
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "db/database.h"
#include "import/address_book_import.h"
#include "platform/cp932.h"

using Row = QList<zt::FieldValue>;

// Names that break any SQL pasted together from them, in the order visited.
// Windows allows no " in a name; ` and ] quote SQLite's names as well.
const QString kGroups[] = {QStringLiteral("A'; DROP TABLE グループ情報;--"), QStringLiteral("B`q` ];")};

static void place(const QString& path, const QByteArray* bytes) {
    QFile file(path);
    if (bytes == nullptr) {
        file.remove();
    } else if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
               file.write(*bytes) != bytes->size()) {
        std::abort();
    }
}

// Decoded whole, then split (no trail byte is CR or LF); no line after the last end.
static QStringList modelLines(const QByteArray* bytes) {
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = bytes ? zt::cp932::decode(*bytes).split(lineEnd) : QStringList();
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

// True when a last card without its END:VCARD was kept.
static bool modelCards(const QStringList& lines, const QString& group, QList<Row>& entries,
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
            company = line.mid(4).section(u';', 0, 0);
            department = line.mid(4).section(u';', 1);
            if (department.endsWith(u';')) {
                department.chop(1);
            }
        } else if (line.startsWith(QLatin1String("EMAIL;PREF:"))) {
            address = line.mid(11);
        }
    }
    if (!(name + address + company + department).isEmpty()) {
        store();
        return true;
    }
    return false;
}

static QByteArray modelCardBytes(const QByteArray* file, bool lastKept) {
    static const QRegularExpression endLine(QStringLiteral("(?<![^\r\n])END:VCARD[^\r\n]*(\r\n|\r|\n)?"));
    if (file == nullptr || lastKept) {
        return file ? *file : QByteArray();
    }
    qsizetype end = 0;  // matched on Latin-1, one character a byte
    for (auto match = endLine.globalMatch(QString::fromLatin1(*file)); match.hasNext();) {
        end = match.next().capturedEnd();
    }
    return file->left(end);
}

static QList<Row> tableRows(zt::Database& db, const char* sql) {
    QList<Row> rows;
    for (zt::Recordset rs = db.OpenRecordset(QString::fromUtf8(sql)); !rs.Eof(); rs.MoveNext()) {
        rows << Row();
        for (int i = 0; i < rs.FieldCount(); ++i) {
            rows.last() << rs.Fields(i);
        }
    }
    return rows;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Made once: a database per input would cost more than the import.
    static QTemporaryDir dir;
    static const QString picked = dir.filePath(QStringLiteral("AddrBook/picked"));
    static const std::unique_ptr<zt::Database> db = [] {
        for (const QString& group : kGroups) {
            QDir().mkpath(picked + u'/' + group);
        }
        zt::Database::create(dir.filePath(QStringLiteral("work.mdb")));
        auto opened = zt::Database::open(dir.filePath(QStringLiteral("work.mdb")));
        opened->Execute(QStringLiteral("PRAGMA synchronous = OFF"));  // a throw-away database
        opened->Execute(QStringLiteral("PRAGMA journal_mode = MEMORY"));
        return opened;
    }();
    const QList<QByteArray> parts =
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)).split('\x1e');
    const auto part = [&](int i) { return i < parts.size() ? &parts[i] : nullptr; };

    QList<Row> entries, memberships;
    QByteArray cards;
    for (int g = 0; g < 2; ++g) {
        const QString folder = picked + u'/' + kGroups[g];
        place(folder + QStringLiteral("/c.nrk"), part(2 * g));
        place(folder + QStringLiteral("/Group.idx"), part(2 * g + 1));
        cards += modelCardBytes(part(2 * g),
                                modelCards(modelLines(part(2 * g)), kGroups[g], entries, memberships));
        for (const QString& line : modelLines(part(2 * g + 1))) {
            const QStringList f = line.split(QLatin1Char('\t'));
            const auto named = std::find_if(entries.begin(), entries.end(), [&](const Row& e) {
                return f.size() >= 6 && e[0] == f[3] && e[1] == f[4];
            });
            if (named != entries.end()) {
                (*named)[4] = f[5];
            }
        }
    }
    // An exception ends the run as a crash: file contents must never make the import fail.
    const int groups = zt::importAddressBook(*db, picked);
    QByteArray stored;
    for (zt::Recordset rs =
             db->OpenRecordset(QStringLiteral("SELECT カード FROM アドレス情報 ORDER BY rowid"));
         !rs.Eof(); rs.MoveNext()) {
        stored += rs.Bytes(0);
    }
    if (groups != 2 || stored != cards ||
        tableRows(*db, "SELECT 名前, アドレス, 会社名, 部署名, 役職 FROM アドレス情報 ORDER BY rowid") !=
            entries ||
        tableRows(*db, "SELECT グループ, 名前, アドレス FROM グループ情報 ORDER BY rowid") != memberships) {
        std::abort();
    }
    return 0;
}
