// The stored query 出力情報 against a plain C++ statement of what it returns,
// on small random tables with NULLs, empty texts and deleted rows.
#include <QRandomGenerator>
#include <QtTest>
#include <algorithm>
#include <tuple>

#include "test_support.h"

using zt::FieldValue;

namespace {

// A row of either table; a membership leaves the entry fields unset.
struct Row {
    qint64 rowid;
    FieldValue group, name, address, company, department, title;
};

// SQL's IS: NULL matches only NULL.
bool same(const FieldValue& a, const FieldValue& b) {
    return a.has_value() == b.has_value() && (!a || *a == *b);
}
bool samePair(const Row& a, const Row& b) {
    return same(a.name, b.name) && same(a.address, b.address);
}

QString show(const FieldValue& v) {
    return v.value_or(u"<NULL>"_qs);
}

// What 出力情報 promises, written out directly: one row per distinct
// membership whose name and address have an entry, with that pair's
// first-stored entry; one NULL-group row per entry pair no membership names;
// stored order, an entry ahead of the membership at the same position.
QStringList expectedRows(const std::vector<Row>& members, const std::vector<Row>& entries) {
    std::vector<std::tuple<qint64, int, QString>> out;
    const auto add = [&](qint64 at, int kind, const FieldValue& group, const Row& e) {
        out.emplace_back(at, kind,
                         QStringList{show(group), show(e.name), show(e.address), show(e.company),
                                     show(e.department), show(e.title)}
                             .join(u'|'));
    };
    for (const Row& m : members) {
        const bool repeated = std::any_of(members.begin(), members.end(), [&](const Row& y) {
            return y.rowid < m.rowid && same(y.group, m.group) && samePair(y, m);
        });
        const auto first =
            std::find_if(entries.begin(), entries.end(), [&](const Row& e) { return samePair(e, m); });
        if (!repeated && first != entries.end()) {
            add(m.rowid, 1, m.group, *first);
        }
    }
    for (const Row& e : entries) {
        const bool named =
            std::any_of(members.begin(), members.end(), [&](const Row& m) { return samePair(m, e); });
        const bool repeated = std::any_of(entries.begin(), entries.end(),
                                          [&](const Row& x) { return x.rowid < e.rowid && samePair(x, e); });
        if (!named && !repeated) {
            add(e.rowid, 0, std::nullopt, e);
        }
    }
    std::sort(out.begin(), out.end());
    QStringList shown;
    for (const auto& r : out) {
        shown << std::get<2>(r);
    }
    return shown;
}

QStringList outputRows(zt::Database& db) {
    QStringList out;
    for (auto rs = db.OpenRecordset(u"出力情報"_qs); !rs.Eof(); rs.MoveNext()) {
        QStringList fields;
        for (int i = 0; i < rs.FieldCount(); ++i) {
            fields << show(rs.Fields(i));
        }
        out << fields.join(u'|');
    }
    return out;
}

// Fills both tables with a few rows in a random order of stores and deletes,
// keeping in memory what they hold.
class RandomTables {
public:
    explicit RandomTables(quint32 seed) : random_(seed) {}

    void fill(WorkDb& work) {
        members_.clear();
        entries_.clear();
        for (int steps = 1 + random_.bounded(14); steps > 0; --steps) {
            const int action = random_.bounded(100);
            const FieldValue name = pick({std::nullopt, u""_qs, u"a"_qs, u"b"_qs});
            const FieldValue address = pick({std::nullopt, u""_qs, u"x"_qs});
            if (action < 80) {  // below 50: a card, as the import stores it
                if (action < 65) {
                    const FieldValue group = pick({std::nullopt, u"g"_qs, u"h"_qs});
                    work.member(group, name, address);
                    members_.push_back({lastRowid(work), group, name, address, {}, {}, {}});
                }
                if (action < 50 || action >= 65) {
                    // The company tells which entry a row took its fields from.
                    const FieldValue company = u"c%1"_qs.arg(++stored_),
                                     title = pick({std::nullopt, u"t"_qs});
                    work.entry(name, address, company, u""_qs, title);
                    entries_.push_back({lastRowid(work), {}, name, address, company, u""_qs, title});
                }
            } else {
                std::vector<Row>& rows = action < 90 ? members_ : entries_;
                if (!rows.empty()) {
                    const auto at = rows.begin() + random_.bounded(quint32(rows.size()));
                    work.db->Execute(u"DELETE FROM %1 WHERE rowid = ?"_qs.arg(
                                         action < 90 ? u"グループ情報"_qs : u"アドレス情報"_qs),
                                     {QString::number(at->rowid)});
                    rows.erase(at);
                }
            }
        }
    }

    QStringList expected() const { return expectedRows(members_, entries_); }

private:
    FieldValue pick(std::initializer_list<FieldValue> from) {
        return from.begin()[random_.bounded(quint32(from.size()))];
    }
    static qint64 lastRowid(WorkDb& work) { return sqlite3_last_insert_rowid(work.db->handle()); }

    QRandomGenerator random_;
    int stored_ = 0;
    std::vector<Row> members_, entries_;
};

}  // namespace

class TestOutputQuery : public QObject {
    Q_OBJECT

private slots:
    void matchesItsDefinition() {
        WorkDb work;
        RandomTables tables(20240601);
        for (int round = 0; round < 200; ++round) {
            // Rolled back at the end of the round: nothing is written to disk.
            zt::Transaction transaction(*work.db);
            tables.fill(work);
            QCOMPARE(outputRows(*work.db), tables.expected());
        }
    }
};

QTEST_GUILESS_MAIN(TestOutputQuery)
#include "tst_output_query.moc"
