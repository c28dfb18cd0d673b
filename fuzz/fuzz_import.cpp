// An import of two groups against a model. The input, cut at 0x1E, gives each
// group's card file and Group.idx; a missing part is a missing file. A title
// goes to the first-stored entry of the pair an index line of six or more
// fields names, or where none has that plain pair, to the first entry of the
// line's folder whose card, read on its own, gives that name and address in
// any form; the last such line wins. A card ends at END:VCARD in any case or
// before a second BEGIN:VCARD. The stored cards' bytes, in order, are each
// card file up to the end of the last line a stored card holds. Every stored
// card is in exactly one committed person, and every person reads back.
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include "card/card_person.h"
#include "db/database.h"
#include "import/address_book_import.h"
#include "people/people_reader.h"
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

static bool startsWithWord(const QString& line, QLatin1String word) {
    return line.left(word.size()).compare(word, Qt::CaseInsensitive) == 0;
}

// How many of the lines the stored cards hold. A card an AGENT embeds (on
// the lines after "AGENT:", or from "AGENT:BEGIN:VCARD" on, through its own
// END:VCARD, or up to a BEGIN:VCARD) is part of its card and gives it nothing.
static qsizetype modelCards(const QStringList& lines, const QString& group, QList<Row>& entries,
                            QList<Row>& memberships, QList<std::pair<qsizetype, qsizetype>>& spans) {
    QString name, address, company, department;
    qsizetype first = 0;  // the line the card being read starts at
    const auto store = [&](qsizetype end) {
        entries << Row{name, address, company, department, std::nullopt};
        memberships << Row{group, name, address};
        spans << std::pair(first, end);
        first = end;
        name = address = company = department = QString();
    };
    qsizetype held = 0;
    bool begun = false;
    int depth = 0;
    bool agentBefore = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        const bool opens = startsWithWord(line, QLatin1String("BEGIN:VCARD"));
        const bool closes = startsWithWord(line, QLatin1String("END:VCARD"));
        if (depth > 0 && !opens) {
            depth -= closes ? 1 : 0;
            continue;
        }
        depth = 0;  // a BEGIN ends an embedded card that lacked its END
        if (std::exchange(agentBefore, false) && opens) {
            depth = 1;
            continue;
        }
        const QString head = line.section(u':', 0, 0).section(u';', 0, 0);
        if (line.contains(u':') &&
            head.section(u'.', -1).compare(QStringLiteral("AGENT"), Qt::CaseInsensitive) == 0) {
            const QString value = line.section(u':', 1).trimmed();
            agentBefore = value.isEmpty();
            depth = value.compare(QStringLiteral("BEGIN:VCARD"), Qt::CaseInsensitive) == 0 ? 1 : 0;
        }
        if (closes) {
            store(i + 1);
            held = i + 1;
            begun = false;
        } else if (opens) {
            if (begun) {
                store(i);
                held = i;
            }
            begun = true;
        } else if (line.startsWith(QLatin1String("FN:"))) {
            name = line.mid(3);
        } else if (line.startsWith(QLatin1String("ORG:"))) {
            QStringList units = line.mid(4).split(u';');
            while (units.size() > 1 && units.last().isEmpty()) {
                units.removeLast();
            }
            company = units.takeFirst();
            department = units.join(u';');
        } else if (line.startsWith(QLatin1String("EMAIL;PREF:"))) {
            address = line.mid(11);
        }
    }
    // A last card without its END is kept when it holds any line but a blank one or BEGIN:VCARD.
    for (qsizetype i = held; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (!line.isEmpty() && !startsWithWord(line, QLatin1String("BEGIN:VCARD"))) {
            store(lines.size());
            return lines.size();
        }
    }
    return held;
}

// The file up to the end of its first `lines` lines.
static QByteArray modelCardBytes(const QByteArray* file, qsizetype lines) {
    if (file == nullptr) {
        return QByteArray();
    }
    qsizetype end = 0;
    for (; lines > 0 && end < file->size(); --lines) {
        while (end < file->size() && file->at(end) != '\r' && file->at(end) != '\n') {
            ++end;
        }
        if (end < file->size()) {
            end += file->at(end) == '\r' && end + 1 < file->size() && file->at(end + 1) == '\n' ? 2 : 1;
        }
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
        auto opened = zt::openWorkingDatabase(dir.filePath(QStringLiteral("work.mdb")));
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
        QList<std::pair<qsizetype, qsizetype>> spans;
        const qsizetype before = entries.size();
        cards += modelCardBytes(part(2 * g),
                                modelCards(modelLines(part(2 * g)), kGroups[g], entries, memberships, spans));
        // This folder's entries by the name and address their cards give.
        QList<std::pair<QString, QString>> named;
        for (const auto& [first, end] : spans) {
            const qsizetype from = modelCardBytes(part(2 * g), first).size();
            const zt::CardPerson card = zt::interpretCard(modelCardBytes(part(2 * g), end).sliced(from));
            named << std::pair(card.name(), card.preferredEmail());
        }
        for (const QString& line : modelLines(part(2 * g + 1))) {
            const QStringList f = line.split(QLatin1Char('\t'));
            if (f.size() < 6) {
                continue;
            }
            const auto plain = std::find_if(entries.begin(), entries.end(),
                                            [&](const Row& e) { return e[0] == f[3] && e[1] == f[4]; });
            if (plain != entries.end()) {
                (*plain)[4] = f[5];
            } else if (const qsizetype own = named.indexOf(std::pair(f[3], f[4])); own >= 0) {
                entries[before + own][4] = f[5];
            }
        }
    }
    // An exception ends the run as a crash: file contents must never make the import fail.
    const zt::ImportSummary summary = zt::importAddressBook(*db, picked);
    QByteArray stored;
    for (zt::Recordset rs =
             db->OpenRecordset(QStringLiteral("SELECT カード FROM アドレス情報 ORDER BY rowid"));
         !rs.Eof(); rs.MoveNext()) {
        stored += rs.Bytes(0);
    }
    if (summary.groups != 2 || summary.cards != entries.size() || summary.setAside != 0 || stored != cards ||
        tableRows(*db, "SELECT 名前, アドレス, 会社名, 部署名, 役職 FROM アドレス情報 ORDER BY rowid") !=
            entries ||
        tableRows(*db, "SELECT グループ, 名前, アドレス FROM グループ情報 ORDER BY rowid") != memberships ||
        tableRows(*db,
                  "SELECT count(*) FROM アドレス情報 AS e WHERE NOT EXISTS (SELECT 1 FROM 人物記録 AS r "
                  "WHERE r.人物 = e.人物 AND r.件数 = (SELECT count(*) FROM アドレス情報 AS x "
                  "WHERE x.人物 = e.人物)) UNION ALL SELECT count(*) FROM 人物記録 AS r "
                  "WHERE NOT EXISTS (SELECT 1 FROM アドレス情報 AS e WHERE e.人物 = r.人物)") !=
            QList<Row>{{QStringLiteral("0")}, {QStringLiteral("0")}}) {
        std::abort();
    }
    zt::forEachPerson(*db, [](const zt::Person&) {});
    return 0;
}
