#include "db/database.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <utility>

#include "db/schema.h"

namespace zt {

void detail::Release::operator()(sqlite3* db) const {
    sqlite3_close_v2(db);
}
void detail::Release::operator()(sqlite3_stmt* stmt) const {
    sqlite3_finalize(stmt);
}

namespace {

using detail::Connection;
using detail::Statement;

const char* const kRequiredSources[] = {
    "SELECT 名前, アドレス, 会社名, 部署名, 役職 FROM アドレス情報 LIMIT 0",
    "SELECT グループ, 名前, アドレス FROM グループ情報 LIMIT 0",
    "SELECT グループ, 名前, アドレス, 会社名, 部署名, 役職 FROM 出力情報 LIMIT 0",
};

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

Error unknownField(const QString& name) {
    return Error(QStringLiteral("フィールド '%1' はこのレコードセットにありません。").arg(name));
}

void checkIndex(int index, int count) {
    if (index < 0 || index >= count) {
        throw Error(QStringLiteral("フィールド番号 %1 はこのレコードセットにありません。").arg(index));
    }
}

QString quoteIdentifier(QString name) {
    return QLatin1Char('"') + name.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

Connection connect(const QString& path, int flags) {
    // The engine's memory statistics lock a mutex around every allocation (a tenth of the import's
    // time) and nothing reads them. The setting only takes before the first connection.
    static const int noStatistics = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    (void)noStatistics;
    sqlite3* handle = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &handle, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    Connection db(handle);
    if (rc != SQLITE_OK) {  // the connection may not know its file yet
        throw engineError(rc, path,
                          QString::fromUtf8(handle != nullptr ? sqlite3_errmsg(handle) : sqlite3_errstr(rc)));
    }
    return db;
}

Statement prepare(sqlite3* db, const QString& sql) {
    sqlite3_stmt* stmt = nullptr;
    check(db, sqlite3_prepare16_v2(db, sql.utf16(), -1, &stmt, nullptr));  // a failure leaves no statement
    Statement owned(stmt);
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

void bindParams(sqlite3_stmt* stmt, const Params& params) {
    const int expected = sqlite3_bind_parameter_count(stmt);
    if (expected != static_cast<int>(params.size())) {
        throw Error(QStringLiteral("SQL 文のパラメータの数が合いません（%1 個必要、%2 個指定）。")
                        .arg(expected)
                        .arg(params.size()));
    }
    for (int i = 0; i < expected; ++i) {
        bindValue(stmt, i + 1, params[static_cast<size_t>(i)]);
    }
}

bool step(sqlite3_stmt* stmt) {
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        fail(sqlite3_db_handle(stmt));
    }
    return rc == SQLITE_ROW;
}

// A statement kept for the next row is made ready for it however this one ends.
using ResetOnExit = std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)>;

void run(sqlite3_stmt* stmt) {
    const ResetOnExit reset(stmt, sqlite3_reset);
    while (step(stmt)) {
    }
}

FieldValue columnValue(sqlite3_stmt* stmt, int index) {
    if (sqlite3_column_type(stmt, index) == SQLITE_NULL) {
        return std::nullopt;
    }
    const auto* text = static_cast<const QChar*>(sqlite3_column_text16(stmt, index));
    return QString(text, sqlite3_column_bytes16(stmt, index) / 2);
}

}  // namespace

Recordset::Recordset(Statement stmt) : stmt_(std::move(stmt)), atRow_(step(stmt_.get())) {}

void Recordset::MoveNext() {
    if (Eof()) {
        throw Error(kNoCurrentRow);
    }
    atRow_ = false;  // a failed step leaves no current row
    atRow_ = step(stmt_.get());
}

int Recordset::FieldCount() const {
    return stmt_ ? sqlite3_column_count(stmt_.get()) : 0;
}

int Recordset::FieldIndex(const QString& name) const {
    for (int i = 0; i < FieldCount(); ++i) {
        if (QString::fromUtf8(sqlite3_column_name(stmt_.get(), i)) == name) {
            return i;
        }
    }
    throw unknownField(name);
}

void Recordset::checkField(int index) const {
    if (Eof()) {
        throw Error(kNoCurrentRow);
    }
    checkIndex(index, FieldCount());
}

FieldValue Recordset::Fields(int index) const {
    checkField(index);
    return columnValue(stmt_.get(), index);
}

void Recordset::ReadText(int index, QString& into) const {
    checkField(index);
    const auto* text = static_cast<const QChar*>(sqlite3_column_text16(stmt_.get(), index));
    into.setUnicode(text, sqlite3_column_bytes16(stmt_.get(), index) / 2);  // NULL: no text, no bytes
}

TableRecordset::TableRecordset(sqlite3* db, const QString& table, const QStringList& fields)
    : db_(db), table_(quoteIdentifier(table)), fields_(fields), found_(static_cast<size_t>(fields.size())) {}

int TableRecordset::FieldIndex(const QString& name) const {
    const auto index = fields_.indexOf(name);
    if (index < 0) {
        throw unknownField(name);
    }
    return static_cast<int>(index);
}

void TableRecordset::AddNew() {
    row_.assign(static_cast<size_t>(fields_.size()), std::nullopt);
    mode_ = Mode::AddNew;
}

void TableRecordset::Edit() {
    if (!foundRowid_) {
        throw Error(kNoCurrentRow);
    }
    row_ = found_;
    mode_ = Mode::Edit;
}

void TableRecordset::SetField(int index, const FieldValue& value) {
    if (mode_ == Mode::None) {
        throw Error(QStringLiteral("AddNew または Edit を実行せずにフィールドを更新しようとしました。"));
    }
    checkIndex(index, static_cast<int>(fields_.size()));
    row_[static_cast<size_t>(index)] = value;
}

void TableRecordset::Update() {
    const Mode mode = std::exchange(mode_, Mode::None);
    if (mode == Mode::None) {
        throw Error(QStringLiteral("AddNew または Edit を実行せずに Update を実行しました。"));
    }
    // An edit writes back every field, so one UPDATE serves whatever was set.
    Statement& stmt = mode == Mode::AddNew ? insert_ : update_;
    if (!stmt) {
        QStringList names, marks;
        for (const QString& field : std::as_const(fields_)) {
            names << quoteIdentifier(field);
            marks << QStringLiteral("?");
        }
        stmt =
            prepare(db_, (mode == Mode::AddNew ? QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                               : QStringLiteral("UPDATE %1 SET (%2) = (%3) WHERE rowid = ?"))
                             .arg(table_, names.join(u", "), marks.join(u", ")));
    }
    const int count = static_cast<int>(row_.size());
    for (int i = 0; i < count; ++i) {
        bindValue(stmt.get(), i + 1, row_[static_cast<size_t>(i)]);
    }
    if (mode == Mode::Edit) {
        check(db_, sqlite3_bind_int64(stmt.get(), count + 1, *foundRowid_));
    }
    run(stmt.get());
    if (mode == Mode::Edit) {
        found_ = row_;
    }
}

void TableRecordset::FindFirst(const QString& criterion, const Params& params) {
    mode_ = Mode::None;  // the row being built no longer has a place to go
    foundRowid_.reset();
    if (!find_ || criterion != findCriterion_) {
        find_ = prepare(db_, QStringLiteral("SELECT rowid, * FROM %1 WHERE (%2) ORDER BY rowid LIMIT 1")
                                 .arg(table_, criterion));
        findCriterion_ = criterion;
    }
    const ResetOnExit reset(find_.get(), sqlite3_reset);
    bindParams(find_.get(), params);
    if (step(find_.get())) {
        foundRowid_ = sqlite3_column_int64(find_.get(), 0);
        for (size_t i = 0; i < found_.size(); ++i) {
            found_[i] = columnValue(find_.get(), static_cast<int>(i) + 1);
        }
    }
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
    // An import of 100,000 cards is one transaction touching four b-trees; a
    // page cache that holds them all keeps it from spilling to the file midway.
    database->Execute(QStringLiteral("PRAGMA cache_size = -65536"));
    if (sqlite3_db_readonly(database->db_.get(), "main") == 1) {
        throw engineError(SQLITE_READONLY, path, QStringLiteral("attempt to write a readonly database"));
    }
    // A foreign, damaged or incomplete file is refused here rather than in the middle of a job.
    for (const char* sql : kRequiredSources) {
        sqlite3_stmt* probe = nullptr;
        const int rc = sqlite3_prepare_v2(database->db_.get(), sql, -1, &probe, nullptr);
        const Statement owned(probe);
        if (rc != SQLITE_OK) {
            throw engineError(SQLITE_NOTADB, path, QString::fromUtf8(sqlite3_errmsg(database->db_.get())));
        }
    }
    Recordset check = database->OpenRecordset(QStringLiteral("PRAGMA quick_check(1)"));
    const QString verdict = check.Eof() ? QString() : check.Text(0);
    if (verdict != QStringLiteral("ok")) {
        throw engineError(SQLITE_CORRUPT, path,
                          QStringLiteral("database disk image is malformed (%1)").arg(verdict));
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

void Database::Execute(const QString& sql, const Params& params) {
    const Statement stmt = prepare(db_.get(), sql);
    bindParams(stmt.get(), params);
    run(stmt.get());
}

Recordset Database::OpenRecordset(const QString& source, const Params& params) {
    // Every SQL text has a space in it; a bare name reads the whole table or stored query.
    const bool name = std::none_of(source.begin(), source.end(), [](QChar c) { return c.isSpace(); });
    Statement stmt =
        prepare(db_.get(), name ? QStringLiteral("SELECT * FROM ") + quoteIdentifier(source) : source);
    bindParams(stmt.get(), params);
    return Recordset(std::move(stmt));
}

TableRecordset Database::OpenTable(const QString& table) {
    const Statement probe =
        prepare(db_.get(), QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(quoteIdentifier(table)));
    QStringList fields;
    for (int i = 0; i < sqlite3_column_count(probe.get()); ++i) {
        fields << QString::fromUtf8(sqlite3_column_name(probe.get(), i));
    }
    return TableRecordset(db_.get(), table, fields);
}

Transaction::~Transaction() {
    if (open_) {
        // Fails harmlessly where the engine has rolled back on its own already.
        sqlite3_exec(db_.db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

void Transaction::commit() {
    db_.Execute(QStringLiteral("COMMIT"));
    open_ = false;
}

}  // namespace zt
