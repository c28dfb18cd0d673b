#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

#include "platform/error.h"

struct sqlite3;
struct sqlite3_stmt;

// The working database: SQLite through prepared statements. Values are always bound to `?`
// parameters, so a quote in a name is ordinary data. Every failure throws zt::Error with the
// engine's own text. A statement or record set shares ownership of the connection it came from, so
// it stays usable however long it is kept.
namespace zt {

// A field's value: std::nullopt is NULL, distinct from the empty text.
using FieldValue = std::optional<QString>;
// A parameter: NULL or text, bytes stored as they are (a BLOB; a null QByteArray is NULL), or an
// integer such as a rowid.
using Param = std::variant<FieldValue, QByteArray, qint64>;
using Params = std::vector<Param>;

namespace detail {
struct Release {
    void operator()(sqlite3_stmt* stmt) const;
};
using Connection = std::shared_ptr<sqlite3>;
using StatementHandle = std::unique_ptr<sqlite3_stmt, Release>;
}  // namespace detail

// Forward-only and read-only: the rows of one query.
class Recordset {
public:
    // True when there is no current row (the C library owns the name EOF).
    bool Eof() const { return !atRow_; }
    void MoveNext();
    // Runs the same query again from its first row with new parameters: a
    // loop that looks up one row per item prepares its query once.
    void Requery(const Params& params);

    int FieldCount() const;
    // Loops find a field's position once and read by position on every row.
    int FieldIndex(const QString& name) const;
    FieldValue Fields(int index) const;
    // NULL reads as the empty text, as every writer renders it.
    QString Text(int index) const { return Fields(index).value_or(QString()); }
    // A BLOB's bytes as stored; a text as its UTF-8; NULL as a null QByteArray.
    QByteArray Bytes(int index) const;
    // The same without a copy: valid until the record set moves on or runs again.
    QByteArrayView BytesView(int index) const;
    // An integer as stored (a rowid, a count); NULL reads as 0.
    qint64 Integer(int index) const;

private:
    friend class Database;
    Recordset(detail::Connection db, detail::StatementHandle stmt);

    detail::Connection db_;  // declared first: outlives the statement
    detail::StatementHandle stmt_;
    bool atRow_ = false;
};

// A statement that changes rows, prepared once and run as often as needed: the import stores
// every card through the same three.
class Statement {
public:
    // Returns how many rows the statement changed.
    int Execute(const Params& params);

private:
    friend class Database;
    Statement(detail::Connection db, detail::StatementHandle stmt);

    detail::Connection db_;
    detail::StatementHandle stmt_;
};

// The layout schema.sql makes, and its version.
int schemaVersion();
// The SQL text schema.sql creates the table, index or view `name` with, as
// SQLite itself keeps it: what an upgrade makes anew.
QString schemaStatement(const QString& name);

class Database {
public:
    // Opens an existing working database read-write; never creates one. A file
    // that is not a working database of any version, or is damaged, and one a
    // newer program made, are refused before anything is written. An older
    // layout is opened as it is (formatVersion says which).
    static std::unique_ptr<Database> open(const QString& path);
    // Creates a fresh, empty working database of schemaVersion(). Throws if
    // `path` already exists.
    static void create(const QString& path);

    int formatVersion();
    // The rowid of the row the connection last inserted.
    qint64 lastInsertRowid() const;
    // Throws, as open() does for a foreign file, unless `sql` can be prepared:
    // the tables and columns it names are there.
    void requireSource(const QString& sql);

    Statement Prepare(const QString& sql);
    void Execute(const QString& sql, const Params& params = {});
    Recordset OpenRecordset(const QString& sql, const Params& params = {});

    QString path() const { return path_; }

private:
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
