#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

#include "platform/error.h"

struct sqlite3;

// The working database: SQLite behind a small record-set layer named after the
// operations the jobs think in (Execute, OpenRecordset, EOF, MoveNext, AddNew,
// Update, FindFirst, NoMatch, Edit, Close).
//
// Values never go into SQL text: every statement and criterion takes `?`
// parameters, so a quote in a name is ordinary data. Statements are prepared
// once per connection and reused. Every failure throws zt::Error with the
// engine's own text.
namespace zt {

// A field's value: std::nullopt is NULL, distinct from the empty text.
using FieldValue = std::optional<QString>;
using Params = std::vector<FieldValue>;

class Database;
struct DbConnection;
struct RecordsetImpl;

class Recordset {
public:
    Recordset();
    ~Recordset();
    Recordset(Recordset&&) noexcept;
    Recordset& operator=(Recordset&&) noexcept;

    // True when there is no current row (the C library owns the name EOF).
    bool Eof() const;
    void MoveNext();

    // The current row's value by field name or by position (0-based).
    // Throws zt::Error for an unknown field or when there is no current row.
    FieldValue Fields(const QString& name) const;
    FieldValue Fields(int index) const;
    // The same, with NULL read as the empty text, as every writer renders it.
    QString Text(const QString& name) const;
    QString Text(int index) const;
    // The same into `into`, reusing its buffer: a loop over many rows then
    // allocates nothing per value.
    void ReadText(int index, QString& into) const;
    int FieldCount() const;
    QStringList FieldNames() const;
    // The position of a named field, for loops that read or set it on every
    // row. Throws zt::Error for an unknown field.
    int FieldIndex(const QString& name) const;

    // Editing, on a record set opened on a table name or on "SELECT * FROM <table>".
    // AddNew starts a new row (all fields NULL); Edit starts changing the current
    // row; SetField sets a field of that row; Update stores it.
    void AddNew();
    void Edit();
    void SetField(const QString& name, const FieldValue& value);
    void SetField(int index, const FieldValue& value);
    void Update();

    // Moves to the first row, in stored order, that meets `criterion` (an SQL
    // condition with `?` parameters). NoMatch() tells whether none did; the
    // current row is then undefined, as after a failed find.
    void FindFirst(const QString& criterion, const Params& params = {});
    bool NoMatch() const;

    void Close();

private:
    friend class Database;
    explicit Recordset(std::unique_ptr<RecordsetImpl> impl);
    std::unique_ptr<RecordsetImpl> d_;
};

class Database {
public:
    // Opens an existing working database read-write; never creates one. Checks
    // that it holds the two tables and the stored query with their fields, so a
    // damaged or foreign file is refused here rather than in the middle of a job.
    static std::unique_ptr<Database> open(const QString& path);
    // Creates a fresh, empty working database. Throws if `path` already exists.
    static void create(const QString& path);

    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    void Execute(const QString& sql, const Params& params = {});
    // `source` is an SQL query, or the name of a table or of the stored query.
    Recordset OpenRecordset(const QString& source, const Params& params = {});

    void BeginTrans();
    void CommitTrans();
    void Rollback();

    QString path() const { return path_; }
    sqlite3* handle() const;

private:
    Database(const QString& path, std::shared_ptr<DbConnection> conn);
    QString path_;
    std::shared_ptr<DbConnection> conn_;
};

// Rolls back on destruction unless committed: a multi-step write happens whole
// or not at all, whatever leaves the scope early.
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Database& db_;
    bool open_ = true;
};

}  // namespace zt
