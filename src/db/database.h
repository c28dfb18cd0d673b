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

// Who an entry without a card is, as an SQL expression over its 名前 and
// アドレス: the pair, NULL apart from the empty text, as personKey
// (card_person.h) makes it.
inline constexpr const char* kPairKeySql =
    "CAST(CASE WHEN 名前 ISNULL THEN 'N' ELSE 'T' || length(CAST(名前 AS BLOB)) || ':' || 名前 END"
    " || CASE WHEN アドレス ISNULL THEN 'N' ELSE 'T' || length(CAST(アドレス AS BLOB)) || ':' || アドレス END"
    " AS BLOB)";

// Who an entry with a card is: personKey, which reads the card and so lives
// in a layer above this one and is handed down by it. An upgrade needs it for
// the rows of a file stored before 人物 was kept; its name and address come
// as stored (NULL a null QByteArray), an empty result is NULL.
using PersonKeyOfCard = QByteArray (*)(const QByteArray& name, const QByteArray& address,
                                       QByteArrayView card);
void setPersonKeyOfCard(PersonKeyOfCard keyOf);

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
    void Execute(const Params& params);

private:
    friend class Database;
    Statement(detail::Connection db, detail::StatementHandle stmt);

    detail::Connection db_;
    detail::StatementHandle stmt_;
};

class Database {
public:
    // Opens an existing working database read-write; never creates one.
    static std::unique_ptr<Database> open(const QString& path);
    // Creates a fresh, empty working database. Throws if `path` already exists.
    static void create(const QString& path);

    Statement Prepare(const QString& sql);
    void Execute(const QString& sql, const Params& params = {});
    Recordset OpenRecordset(const QString& sql, const Params& params = {});

    QString path() const { return path_; }

private:
    friend class ReadTransaction;
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

// Several queries read as one: they see the same rows, and the file is locked
// and checked for changes once instead of once per query, which a loop of
// small queries would otherwise pay each time. Inside a transaction already
// open it does nothing, that one giving the same.
class ReadTransaction {
public:
    explicit ReadTransaction(Database& db);
    ~ReadTransaction();
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;

private:
    Database& db_;
    bool open_ = false;
};

}  // namespace zt
