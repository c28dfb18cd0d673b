// The stored query 出力情報 against a plain C++ statement of what it returns,
// on many small random tables: rows stored as the import stores them, rows
// stored alone, rows deleted so that positions no longer line up, NULLs and
// empty texts. A working database made by an earlier build keeps its own
// query text, so the same check runs on one made with that text.
#include <sqlite3.h>

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <tuple>

#include "db/database.h"

using zt::Database;
using zt::FieldValue;

namespace {

// The schema as builds before the faster output query created it.
const char* const kEarlierSchema = R"SQL(
CREATE TABLE アドレス情報 (名前 TEXT, アドレス TEXT, 会社名 TEXT, 部署名 TEXT, 役職 TEXT);
CREATE TABLE グループ情報 (グループ TEXT, 名前 TEXT, アドレス TEXT);
CREATE INDEX アドレス情報_名前_アドレス ON アドレス情報 (名前, アドレス);
CREATE INDEX グループ情報_名前_アドレス ON グループ情報 (名前, アドレス);
CREATE INDEX グループ情報_グループ ON グループ情報 (グループ, 名前, アドレス);
CREATE VIEW 出力情報 AS
SELECT グループ, 名前, アドレス, 会社名, 部署名, 役職
FROM (
    SELECT m.グループ AS グループ, m.名前 AS 名前, m.アドレス AS アドレス,
           e.会社名 AS 会社名, e.部署名 AS 部署名, e.役職 AS 役職,
           m.rowid AS 格納順, 1 AS 区分
    FROM グループ情報 AS m
    JOIN アドレス情報 AS e
      ON e.rowid = (SELECT MIN(x.rowid) FROM アドレス情報 AS x
                    WHERE x.名前 IS m.名前 AND x.アドレス IS m.アドレス)
    WHERE NOT EXISTS (SELECT 1 FROM グループ情報 AS y
                      WHERE y.グループ IS m.グループ AND y.名前 IS m.名前 AND y.アドレス IS m.アドレス
                        AND y.rowid < m.rowid)
    UNION ALL
    SELECT NULL, e.名前, e.アドレス, e.会社名, e.部署名, e.役職, e.rowid, 0
    FROM アドレス情報 AS e
    WHERE NOT EXISTS (SELECT 1 FROM グループ情報 AS y
                      WHERE y.名前 IS e.名前 AND y.アドレス IS e.アドレス)
      AND NOT EXISTS (SELECT 1 FROM アドレス情報 AS x
                      WHERE x.名前 IS e.名前 AND x.アドレス IS e.アドレス AND x.rowid < e.rowid)
    ORDER BY 格納順, 区分
);
)SQL";

struct Membership {
    qint64 rowid;
    FieldValue group, name, address;
};

struct Entry {
    qint64 rowid;
    FieldValue name, address, company, department, title;
};

// SQL's IS: NULL matches only NULL.
bool same(const FieldValue& a, const FieldValue& b) {
    return a.has_value() == b.has_value() && (!a || *a == *b);
}

QString show(const FieldValue& v) {
    return v ? *v : QStringLiteral("<NULL>");
}

QString row(const FieldValue& group, const FieldValue& name, const FieldValue& address, const Entry& e) {
    return QStringList{show(group),     show(name),         show(address),
                       show(e.company), show(e.department), show(e.title)}
        .join(u'|');
}

// What 出力情報 promises, written out directly: one row per distinct
// membership whose name and address have an entry, with that pair's
// first-stored entry; one NULL-group row per entry pair no membership names;
// stored order, an entry ahead of the membership at the same position.
QStringList expectedRows(const std::vector<Membership>& members, const std::vector<Entry>& entries) {
    std::vector<std::tuple<qint64, int, QString>> rows;
    for (const Membership& m : members) {
        const bool repeated = std::any_of(members.begin(), members.end(), [&](const Membership& y) {
            return y.rowid < m.rowid && same(y.group, m.group) && same(y.name, m.name) &&
                   same(y.address, m.address);
        });
        const auto first = std::find_if(entries.begin(), entries.end(), [&](const Entry& e) {
            return same(e.name, m.name) && same(e.address, m.address);
        });
        if (!repeated && first != entries.end()) {
            rows.emplace_back(m.rowid, 1, row(m.group, m.name, m.address, *first));
        }
    }
    for (const Entry& e : entries) {
        const bool named = std::any_of(members.begin(), members.end(), [&](const Membership& m) {
            return same(m.name, e.name) && same(m.address, e.address);
        });
        const bool repeated = std::any_of(entries.begin(), entries.end(), [&](const Entry& x) {
            return x.rowid < e.rowid && same(x.name, e.name) && same(x.address, e.address);
        });
        if (!named && !repeated) {
            rows.emplace_back(e.rowid, 0, row(std::nullopt, e.name, e.address, e));
        }
    }
    std::sort(rows.begin(), rows.end());
    QStringList shown;
    for (const auto& r : rows) {
        shown << std::get<2>(r);
    }
    return shown;
}

QStringList outputRows(Database& db) {
    QStringList rows;
    for (auto rs = db.OpenRecordset(QStringLiteral("出力情報")); !rs.Eof(); rs.MoveNext()) {
        QStringList fields;
        for (int i = 0; i < rs.FieldCount(); ++i) {
            fields << show(rs.Fields(i));
        }
        rows << fields.join(u'|');
    }
    return rows;
}

class RandomTables {
public:
    explicit RandomTables(quint32 seed) : random_(seed) {}

    // Fills both tables with a few rows in a random order of stores and
    // deletes, keeping in memory what they hold.
    void fill(Database& db) {
        members_.clear();
        entries_.clear();
        const int steps = 1 + random_.bounded(14);
        for (int i = 0; i < steps; ++i) {
            const int action = random_.bounded(100);
            if (action < 50) {  // a card, as the import stores it
                const FieldValue name = pick(names_);
                const FieldValue address = pick(addresses_);
                addMember(db, pick(groups_), name, address);
                addEntry(db, name, address);
            } else if (action < 65) {
                addMember(db, pick(groups_), pick(names_), pick(addresses_));
            } else if (action < 80) {
                addEntry(db, pick(names_), pick(addresses_));
            } else if (action < 90) {
                remove(db, members_, QStringLiteral("グループ情報"));
            } else {
                remove(db, entries_, QStringLiteral("アドレス情報"));
            }
        }
    }

    QStringList expected() const { return expectedRows(members_, entries_); }

private:
    FieldValue pick(const std::vector<FieldValue>& from) {
        return from[random_.bounded(static_cast<quint32>(from.size()))];
    }

    static qint64 lastRowid(Database& db) { return sqlite3_last_insert_rowid(db.handle()); }

    void addMember(Database& db, const FieldValue& group, const FieldValue& name, const FieldValue& address) {
        db.Execute(QStringLiteral("INSERT INTO グループ情報 (グループ, 名前, アドレス) VALUES (?,?,?)"),
                   {group, name, address});
        members_.push_back({lastRowid(db), group, name, address});
    }

    void addEntry(Database& db, const FieldValue& name, const FieldValue& address) {
        // The company tells which entry a row took its fields from.
        const FieldValue company = QStringLiteral("c%1").arg(++stored_);
        const FieldValue department = pick(departments_);
        const FieldValue title = pick(titles_);
        db.Execute(QStringLiteral("INSERT INTO アドレス情報 (名前, アドレス, 会社名, 部署名, 役職) "
                                  "VALUES (?,?,?,?,?)"),
                   {name, address, company, department, title});
        entries_.push_back({lastRowid(db), name, address, company, department, title});
    }

    template <typename Row>
    void remove(Database& db, std::vector<Row>& rows, const QString& table) {
        if (rows.empty()) {
            return;
        }
        const auto at = rows.begin() + random_.bounded(static_cast<quint32>(rows.size()));
        db.Execute(QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(table), {QString::number(at->rowid)});
        rows.erase(at);
    }

    QRandomGenerator random_;
    int stored_ = 0;
    std::vector<Membership> members_;
    std::vector<Entry> entries_;
    const std::vector<FieldValue> groups_{std::nullopt, QStringLiteral("g"), QStringLiteral("h")};
    const std::vector<FieldValue> names_{std::nullopt, QStringLiteral(""), QStringLiteral("a"),
                                         QStringLiteral("b")};
    const std::vector<FieldValue> addresses_{std::nullopt, QStringLiteral(""), QStringLiteral("x")};
    const std::vector<FieldValue> departments_{QStringLiteral(""), QStringLiteral("d")};
    const std::vector<FieldValue> titles_{std::nullopt, QStringLiteral("t")};
};

}  // namespace

class TestOutputQuery : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private slots:
    void matchesItsDefinition_data() {
        QTest::addColumn<bool>("earlierSchema");
        QTest::newRow("current schema") << false;
        QTest::newRow("database made by an earlier build") << true;
    }

    void matchesItsDefinition() {
        QFETCH(bool, earlierSchema);
        const QString file =
            dir_.filePath(earlierSchema ? QStringLiteral("earlier.mdb") : QStringLiteral("current.mdb"));
        if (earlierSchema) {
            sqlite3* raw = nullptr;
            QCOMPARE(sqlite3_open(file.toUtf8().constData(), &raw), SQLITE_OK);
            QCOMPARE(sqlite3_exec(raw, kEarlierSchema, nullptr, nullptr, nullptr), SQLITE_OK);
            sqlite3_close(raw);
        } else {
            Database::create(file);
        }
        auto db = Database::open(file);

        RandomTables tables(20240601);
        for (int round = 0; round < 400; ++round) {
            // Rolled back at the end of the round: nothing is written to disk.
            zt::Transaction transaction(*db);
            tables.fill(*db);
            const QStringList expected = tables.expected();
            const QStringList actual = outputRows(*db);
            if (actual != expected) {
                qWarning().noquote() << "round" << round << "\nexpected:" << expected.join(u'\n')
                                     << "\nactual:" << actual.join(u'\n');
            }
            QCOMPARE(actual, expected);
        }
    }
};

QTEST_GUILESS_MAIN(TestOutputQuery)
#include "tst_output_query.moc"
