#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

#include "platform/error.h"

struct sqlite3;
struct sqlite3_stmt;

// The working database: SQLite behind the few record-set operations the jobs think in. Values are
// always bound to `?` parameters, so a quote in a name is ordinary data. Every failure throws
// zt::Error with the engine's own text. Record sets must not outlive their Database.
namespace zt {

// A field's value: std::nullopt is NULL, distinct from the empty text.
using FieldValue = std::optional<QString>;
using Params = std::vector<FieldValue>;

namespace detail {
struct Release {
    void operator()(sqlite3* db) const;
    void operator()(sqlite3_stmt* stmt) const;
};
using Connection = std::unique_ptr<sqlite3, Release>;
using Statement = std::unique_ptr<sqlite3_stmt, Release>;
}  // namespace detail

// Forward-only and read-only: for queries and the stored query.
class Recordset {
public:
    // True when there is no current row (the C library owns the name EOF).
    bool Eof() const { return !stmt_ || !atRow_; }
    void MoveNext();

    int FieldCount() const;
    // Loops find a field's position once and read by position on every row.
    int FieldIndex(const QString& name) const;
    FieldValue Fields(int index) const;
    // NULL reads as the empty text, as every writer renders it. ReadText
    // reuses `into`'s buffer, so a loop over many rows allocates nothing per value.
    void ReadText(int index, QString& into) const;
    QString Text(int index) const {
        QString text;
        ReadText(index, text);
        return text;
    }

    void Close() { stmt_.reset(); }

private:
    friend class Database;
    explicit Recordset(detail::Statement stmt);
    void checkField(int index) const;  // throws unless at a row that has the field

    detail::Statement stmt_;
    bool atRow_ = false;
};

// An editable record set on one table, chosen by the caller. Rows added through it are found by
// later FindFirst calls, which search in stored (rowid) order.
class TableRecordset {
public:
    int FieldIndex(const QString& name) const;

    // AddNew starts a new row with every field NULL; Edit starts changing the
    // row FindFirst found; SetField sets a field of that row; Update stores it.
    void AddNew();
    void Edit();
    void SetField(int index, const FieldValue& value);
    void Update();

    // Finds the first row, in stored order, meeting `criterion` (an SQL condition with `?` parameters).
    void FindFirst(const QString& criterion, const Params& params);
    bool NoMatch() const { return !foundRowid_; }

private:
    friend class Database;
    TableRecordset(sqlite3* db, const QString& table, const QStringList& fields);

    sqlite3* db_;
    QString table_;
    QStringList fields_;
    // Prepared on first use, reset for the next row: the import stores one per card.
    detail::Statement insert_, update_, find_;
    QString findCriterion_;
    enum class Mode { None, AddNew, Edit } mode_ = Mode::None;
    std::vector<FieldValue> row_;    // what AddNew or Edit is building
    std::vector<FieldValue> found_;  // the row FindFirst found, which Edit starts from
    std::optional<long long> foundRowid_;
};

class Database {
public:
    // Opens an existing working database read-write; never creates one.
    static std::unique_ptr<Database> open(const QString& path);
    // Creates a fresh, empty working database. Throws if `path` already exists.
    static void create(const QString& path);

    void Execute(const QString& sql, const Params& params = {});
    // `source` is an SQL query, or the name of a table or of the stored query.
    Recordset OpenRecordset(const QString& source, const Params& params = {});
    TableRecordset OpenTable(const QString& table);

    QString path() const { return path_; }

private:
    friend class Transaction;
    Database(const QString& path, detail::Connection db);
    QString path_;
    detail::Connection db_;
};

// Rolls back unless committed: a multi-step write happens whole or not at all, however the scope ends.
class Transaction {
public:
    explicit Transaction(Database& db) : db_(db) { db_.Execute(QStringLiteral("BEGIN IMMEDIATE")); }
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Database& db_;
    bool open_ = true;
};

}  // namespace zt
