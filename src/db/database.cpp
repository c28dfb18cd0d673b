#include "db/database.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <utility>

#include "db/schema.h"

namespace zt {

void detail::Release::operator()(sqlite3_stmt* stmt) const {
    sqlite3_finalize(stmt);
}

namespace {

using detail::Connection;
using detail::StatementHandle;

const QString kNoCurrentRow = QStringLiteral("カレント レコードがありません。");

// The engine speaks English. The user reads first, in Japanese, what happened
// to which file, then the engine's own words on a line of their own.
Error engineError(int code, const QString& path, const QString& engineText) {
    static const QHash<int, const char*> what{
        {SQLITE_BUSY, "作業用データベース %1 は他のプログラムが使用中です。"},
        {SQLITE_LOCKED, "作業用データベース %1 は他のプログラムが使用中です。"},
        {SQLITE_READONLY, "作業用データベース %1 は読み取り専用のため、書き込めません。"},
        {SQLITE_PERM, "作業用データベース %1 は読み取り専用のため、書き込めません。"},
        {SQLITE_FULL, "ディスクがいっぱいのため、作業用データベース %1 に書き込めません。"},
        {SQLITE_CANTOPEN, "作業用データベース %1 を開けません。"},
        {SQLITE_NOTADB, "%1 は作業用データベースではないか、壊れています。"},
        {SQLITE_CORRUPT, "%1 は作業用データベースではないか、壊れています。"},
        {SQLITE_IOERR, "作業用データベース %1 の読み書きに失敗しました。"},
    };
    const char* sentence = what.value(code & 0xFF, "作業用データベース %1 でエラーが発生しました。");
    return Error(QString::fromUtf8(sentence).arg(QDir::toNativeSeparators(path)) + QStringLiteral("\r\n") +
                 engineText);
}

[[noreturn]] void fail(sqlite3* db) {
    throw engineError(sqlite3_extended_errcode(db), QString::fromUtf8(sqlite3_db_filename(db, "main")),
                      QString::fromUtf8(sqlite3_errmsg(db)));
}

void check(sqlite3* db, int rc) {
    if (rc != SQLITE_OK) {
        fail(db);
    }
}

void checkIndex(int index, int count) {
    if (index < 0 || index >= count) {
        throw Error(QStringLiteral("フィールド番号 %1 はこのレコードセットにありません。").arg(index));
    }
}

Connection connect(const QString& path, int flags) {
    // Counting the engine's allocations, which nothing here asks for, takes a
    // process-wide mutex on each of them. Only possible before the engine
    // starts, so once, before the first connection.
    static const int uncounted = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    Q_UNUSED(uncounted);
    sqlite3* handle = nullptr;
    // A connection is used by one thread at a time, so it needs no mutex of
    // its own, which every call reading a column would otherwise take.
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &handle, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    Connection db(handle, sqlite3_close_v2);
    if (rc != SQLITE_OK) {  // the connection may not know its file yet
        throw engineError(rc, path,
                          QString::fromUtf8(handle != nullptr ? sqlite3_errmsg(handle) : sqlite3_errstr(rc)));
    }
    return db;
}

StatementHandle prepare(sqlite3* db, const QString& sql) {
    sqlite3_stmt* stmt = nullptr;
    check(db, sqlite3_prepare16_v2(db, sql.utf16(), -1, &stmt, nullptr));  // a failure leaves no statement
    StatementHandle owned(stmt);
    if (!owned) {
        throw Error(QStringLiteral("空の SQL 文です。"));
    }
    return owned;
}

// Text crosses as UTF-16; the engine keeps its own copy, converted to the database's UTF-8.
void bindValue(sqlite3_stmt* stmt, int position, const FieldValue& value) {
    const auto bytes = static_cast<sqlite3_uint64>(value ? value->size() : 0) * sizeof(char16_t);
    check(sqlite3_db_handle(stmt),
          value ? sqlite3_bind_text64(stmt, position, reinterpret_cast<const char*>(value->utf16()), bytes,
                                      SQLITE_TRANSIENT, SQLITE_UTF16)
                : sqlite3_bind_null(stmt, position));
}

// Copied too: a record set steps long after its parameters are gone. An empty
// QByteArray's data is never a null pointer, so it stays an empty BLOB, not NULL.
void bindValue(sqlite3_stmt* stmt, int position, const QByteArray& value) {
    check(sqlite3_db_handle(stmt),
          value.isNull() ? sqlite3_bind_null(stmt, position)
                         : sqlite3_bind_blob64(stmt, position, value.constData(),
                                               static_cast<sqlite3_uint64>(value.size()), SQLITE_TRANSIENT));
}

void bindValue(sqlite3_stmt* stmt, int position, qint64 value) {
    check(sqlite3_db_handle(stmt), sqlite3_bind_int64(stmt, position, value));
}

void bindParams(sqlite3_stmt* stmt, const Params& params) {
    const int expected = sqlite3_bind_parameter_count(stmt);
    if (expected != static_cast<int>(params.size())) {
        throw Error(QStringLiteral("SQL 文のパラメータの数が合いません（%1 個必要、%2 個指定）。")
                        .arg(expected)
                        .arg(params.size()));
    }
    for (int i = 0; i < expected; ++i) {
        std::visit([&](const auto& value) { bindValue(stmt, i + 1, value); }, params[static_cast<size_t>(i)]);
    }
}

bool step(sqlite3_stmt* stmt) {
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        fail(sqlite3_db_handle(stmt));
    }
    return rc == SQLITE_ROW;
}

// A statement kept for the next run is made ready for it however this one ends.
using ResetOnExit = std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)>;

}  // namespace

Recordset::Recordset(Connection db, StatementHandle stmt)
    : db_(std::move(db)), stmt_(std::move(stmt)), atRow_(step(stmt_.get())) {}

void Recordset::MoveNext() {
    if (Eof()) {
        throw Error(kNoCurrentRow);
    }
    atRow_ = false;  // a failed step leaves no current row
    atRow_ = step(stmt_.get());
}

void Recordset::Requery(const Params& params) {
    atRow_ = false;
    sqlite3_reset(stmt_.get());  // its result repeats the last step's failure, already reported
    bindParams(stmt_.get(), params);
    atRow_ = step(stmt_.get());
}

int Recordset::FieldCount() const {
    return sqlite3_column_count(stmt_.get());
}

int Recordset::FieldIndex(const QString& name) const {
    for (int i = 0; i < FieldCount(); ++i) {
        if (QString::fromUtf8(sqlite3_column_name(stmt_.get(), i)) == name) {
            return i;
        }
    }
    throw Error(QStringLiteral("フィールド '%1' はこのレコードセットにありません。").arg(name));
}

FieldValue Recordset::Fields(int index) const {
    if (Eof()) {
        throw Error(kNoCurrentRow);
    }
    checkIndex(index, FieldCount());
    if (sqlite3_column_type(stmt_.get(), index) == SQLITE_NULL) {
        return std::nullopt;
    }
    // Read in the engine's own UTF-8: asked for UTF-16, it would first convert
    // into a buffer of its own and QString would then copy that.
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_.get(), index));
    return QString::fromUtf8(text, sqlite3_column_bytes(stmt_.get(), index));
}

QByteArray Recordset::Bytes(int index) const {
    const QByteArrayView bytes = BytesView(index);
    return bytes.isNull() ? QByteArray() : bytes.isEmpty() ? QByteArray("") : bytes.toByteArray();
}

QByteArrayView Recordset::BytesView(int index) const {
    if (Eof()) {
        throw Error(kNoCurrentRow);
    }
    checkIndex(index, FieldCount());
    // The type is asked first, before any conversion makes it meaningless. A
    // text is read as text so that it comes as UTF-8 whatever form the engine
    // holds it in; an empty value is empty, not null.
    sqlite3_stmt* const stmt = stmt_.get();
    const int type = sqlite3_column_type(stmt, index);
    if (type == SQLITE_NULL) {
        return {};
    }
    const void* data =
        type == SQLITE_BLOB ? sqlite3_column_blob(stmt, index) : sqlite3_column_text(stmt, index);
    const int size = sqlite3_column_bytes(stmt, index);
    return size > 0 ? QByteArrayView(static_cast<const char*>(data), size) : QByteArrayView("", 0);
}

qint64 Recordset::Integer(int index) const {
    if (Eof()) {
        throw Error(kNoCurrentRow);
    }
    checkIndex(index, FieldCount());
    return sqlite3_column_int64(stmt_.get(), index);
}

Statement::Statement(Connection db, StatementHandle stmt) : db_(std::move(db)), stmt_(std::move(stmt)) {}

int Statement::Execute(const Params& params) {
    const ResetOnExit reset(stmt_.get(), sqlite3_reset);
    bindParams(stmt_.get(), params);
    while (step(stmt_.get())) {
    }
    return sqlite3_changes(sqlite3_db_handle(stmt_.get()));
}

namespace {

// What every version has.
const char* const kRequiredSources[] = {
    "SELECT 名前, アドレス, 会社名, 部署名, 役職 FROM アドレス情報 LIMIT 0",
    "SELECT グループ, 名前, アドレス FROM グループ情報 LIMIT 0",
    "SELECT グループ, 名前, アドレス, 会社名, 部署名, 役職 FROM 出力情報 LIMIT 0",
};

// schema.sql as SQLite reads it, made once in memory, where the statements
// and the version are asked of SQLite rather than cut from the text.
sqlite3* schemaDatabase() {
    static const Connection db = [] {
        Connection memory = connect(QStringLiteral(":memory:"), SQLITE_OPEN_READWRITE);
        check(memory.get(), sqlite3_exec(memory.get(), schema::kCreateSql, nullptr, nullptr, nullptr));
        return memory;
    }();
    return db.get();
}

}  // namespace

int schemaVersion() {
    sqlite3_stmt* stmt = nullptr;
    check(schemaDatabase(), sqlite3_prepare_v2(schemaDatabase(), "PRAGMA user_version", -1, &stmt, nullptr));
    const StatementHandle owned(stmt);
    step(stmt);
    return sqlite3_column_int(stmt, 0);
}

QString schemaStatement(const QString& name) {
    sqlite3* const db = schemaDatabase();
    const StatementHandle stmt = prepare(db, QStringLiteral("SELECT sql FROM sqlite_schema WHERE name = ?"));
    bindParams(stmt.get(), {FieldValue(name)});
    if (!step(stmt.get())) {
        throw Error(QStringLiteral("schema.sql に %1 がありません。").arg(name));
    }
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 0)));
}

Database::Database(const QString& path, Connection db) : path_(path), db_(std::move(db)) {}

std::unique_ptr<Database> Database::open(const QString& path) {
    // No SQLITE_OPEN_CREATE: the working database is part of the installation,
    // and a missing one must be reported, not silently replaced by an empty one.
    Connection db = connect(path, SQLITE_OPEN_READWRITE);
    // A locked database waits this long for the other program before the
    // engine's "database is locked" reaches the user.
    sqlite3_busy_timeout(db.get(), 5000);
    std::unique_ptr<Database> database(new Database(path, std::move(db)));
    // An import of 100,000 cards is one transaction touching five b-trees; a
    // page cache that holds them all keeps it from spilling to the file midway.
    database->Execute(QStringLiteral("PRAGMA cache_size = -65536"));
    if (sqlite3_db_readonly(database->db_.get(), "main") == 1) {
        throw engineError(SQLITE_READONLY, path, QStringLiteral("attempt to write a readonly database"));
    }
    // A foreign, damaged or incomplete file is refused here rather than in the middle of a job.
    for (const char* sql : kRequiredSources) {
        database->requireSource(QString::fromUtf8(sql));
    }
    Recordset check = database->OpenRecordset(QStringLiteral("PRAGMA quick_check(1)"));
    const QString verdict = check.Eof() ? QString() : check.Text(0);
    if (verdict != QStringLiteral("ok")) {
        throw engineError(SQLITE_CORRUPT, path,
                          QStringLiteral("database disk image is malformed (%1)").arg(verdict));
    }
    // Refused before anything is written: a newer program's file stays as it made it.
    if (database->formatVersion() > schemaVersion()) {
        throw Error(
            QStringLiteral("作業用データベース %1 は新しい版のプログラムで作られたため、使えません。\r\n"
                           "新しい版のプログラムを使ってください。")
                .arg(QDir::toNativeSeparators(path)));
    }
    return database;
}

void Database::create(const QString& path) {
    if (QFileInfo::exists(path)) {
        throw Error(QStringLiteral("ファイルが既にあります: %1").arg(path));
    }
    try {
        const Connection db = connect(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        const std::string sql = std::string("BEGIN;\n") + schema::kCreateSql + "\nCOMMIT;";
        check(db.get(), sqlite3_exec(db.get(), sql.c_str(), nullptr, nullptr, nullptr));
    } catch (const Error&) {
        QFile::remove(path);  // a half-made database would pass the next start-up's existence check
        throw;
    }
}

qint64 Database::lastInsertRowid() const {
    return sqlite3_last_insert_rowid(db_.get());
}

int Database::formatVersion() {
    return OpenRecordset(QStringLiteral("PRAGMA user_version")).Text(0).toInt();
}

void Database::requireSource(const QString& sql) {
    sqlite3_stmt* probe = nullptr;
    const int rc = sqlite3_prepare16_v2(db_.get(), sql.utf16(), -1, &probe, nullptr);
    const StatementHandle owned(probe);
    if (rc != SQLITE_OK) {
        throw engineError(SQLITE_NOTADB, path_, QString::fromUtf8(sqlite3_errmsg(db_.get())));
    }
}

Statement Database::Prepare(const QString& sql) {
    return Statement(db_, prepare(db_.get(), sql));
}

void Database::Execute(const QString& sql, const Params& params) {
    Prepare(sql).Execute(params);
}

Recordset Database::OpenRecordset(const QString& sql, const Params& params) {
    StatementHandle stmt = prepare(db_.get(), sql);
    bindParams(stmt.get(), params);
    return Recordset(db_, std::move(stmt));
}

Transaction::~Transaction() {
    if (open_) {
        try {
            db_.Execute(QStringLiteral("ROLLBACK"));
        } catch (const Error&) {
            // The engine has rolled back on its own already.
        }
    }
}

void Transaction::commit() {
    db_.Execute(QStringLiteral("COMMIT"));
    open_ = false;
}

}  // namespace zt
