#include "db/database.h"

#include <sqlite3.h>

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <algorithm>
#include <limits>
#include <unordered_map>

#include "db/schema.h"

namespace zt {

namespace {

// A locked database waits this long for the other connection before the
// engine's "database is locked" reaches the user.
constexpr int kBusyTimeoutMs = 5000;

const char* const kRequiredSources[] = {
    "SELECT 名前, アドレス, 会社名, 部署名, 役職 FROM アドレス情報 LIMIT 0",
    "SELECT グループ, 名前, アドレス FROM グループ情報 LIMIT 0",
    "SELECT グループ, 名前, アドレス, 会社名, 部署名, 役職 FROM 出力情報 LIMIT 0",
};

QString quoteIdentifier(const QString& name) {
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// The engine's memory statistics take a global lock around every allocation,
// and nothing here reads them. The setting only takes before the library is
// initialised; later calls fail harmlessly.
void configureEngine() {
    static const bool configured = [] {
        sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
        return true;
    }();
    (void)configured;
}

// UTF-16 to UTF-8 into a buffer that is reused value after value. A lone
// surrogate becomes "?", as QString::toUtf8 writes it, so what is stored does
// not depend on which path a value took.
void encodeUtf8(QStringView text, std::string& out) {
    out.resize(static_cast<size_t>(text.size()) * 3);
    char* const begin = out.data();
    char* dst = begin;
    const char16_t* p = text.utf16();
    const char16_t* const end = p + text.size();
    while (p < end) {
        const char32_t u = *p++;
        if (u < 0x80) {
            *dst++ = static_cast<char>(u);
        } else if (u < 0x800) {
            *dst++ = static_cast<char>(0xC0 | (u >> 6));
            *dst++ = static_cast<char>(0x80 | (u & 0x3F));
        } else if (!QChar::isSurrogate(u)) {
            *dst++ = static_cast<char>(0xE0 | (u >> 12));
            *dst++ = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            *dst++ = static_cast<char>(0x80 | (u & 0x3F));
        } else if (QChar::isHighSurrogate(u) && p < end && QChar::isLowSurrogate(*p)) {
            const char32_t c = QChar::surrogateToUcs4(static_cast<char16_t>(u), *p++);
            *dst++ = static_cast<char>(0xF0 | (c >> 18));
            *dst++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            *dst++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *dst++ = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            *dst++ = '?';
        }
    }
    out.resize(static_cast<size_t>(dst - begin));
}

constexpr bool isContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// UTF-8 to UTF-16 into a buffer that is reused row after row. Well-formed text
// decodes the same everywhere; anything else (a damaged value, a byte order
// mark, which QString::fromUtf8 drops) goes to Qt's decoder, so a value reads
// exactly as QString::fromUtf8 reads it.
void decodeUtf8(const char* text, qsizetype bytes, QString& into) {
    into.resize(bytes);  // never more UTF-16 units than bytes
    char16_t* const begin = reinterpret_cast<char16_t*>(into.data());
    char16_t* dst = begin;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    const auto* const end = p + bytes;
    while (p < end) {
        const unsigned c = *p;
        if (c < 0x80) {
            *dst++ = static_cast<char16_t>(c);
            ++p;
            continue;
        }
        if (c >= 0xC2 && c <= 0xDF && end - p >= 2 && isContinuation(p[1])) {
            *dst++ = static_cast<char16_t>((c & 0x1F) << 6 | (p[1] & 0x3F));
            p += 2;
            continue;
        }
        if (c >= 0xE0 && c <= 0xEF && end - p >= 3 && isContinuation(p[1]) && isContinuation(p[2])) {
            const char32_t u = (c & 0x0F) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu);
            if (u >= 0x800 && !QChar::isSurrogate(u) && u != 0xFEFF) {
                *dst++ = static_cast<char16_t>(u);
                p += 3;
                continue;
            }
        } else if (c >= 0xF0 && c <= 0xF4 && end - p >= 4 && isContinuation(p[1]) && isContinuation(p[2]) &&
                   isContinuation(p[3])) {
            const char32_t u = (c & 0x07) << 18 | (p[1] & 0x3Fu) << 12 | (p[2] & 0x3Fu) << 6 | (p[3] & 0x3Fu);
            if (u >= 0x10000 && u <= 0x10FFFF) {
                *dst++ = QChar::highSurrogate(u);
                *dst++ = QChar::lowSurrogate(u);
                p += 4;
                continue;
            }
        }
        into = QString::fromUtf8(text, bytes);
        return;
    }
    into.resize(dst - begin);
}

FieldValue columnValue(sqlite3_stmt* stmt, int index) {
    if (sqlite3_column_type(stmt, index) == SQLITE_NULL) {
        return std::nullopt;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, index));
    const int bytes = sqlite3_column_bytes(stmt, index);
    return QString::fromUtf8(text, bytes);
}

}  // namespace

// Hands a statement back to the connection's cache however the scope ends.
class StatementLease {
public:
    StatementLease(DbConnection* conn, sqlite3_stmt* stmt) : conn_(conn), stmt_(stmt) {}
    ~StatementLease();
    StatementLease(const StatementLease&) = delete;
    StatementLease& operator=(const StatementLease&) = delete;

private:
    DbConnection* conn_;
    sqlite3_stmt* stmt_;
};

// ---------------------------------------------------------------------------
// Connection: the sqlite3 handle and its prepared statements.

struct DbConnection {
    sqlite3* db = nullptr;
    // Statements are prepared once per text and reused; a text that is in use
    // by an open record set gets a second statement rather than a reset
    // under that record set's feet.
    struct Cached {
        sqlite3_stmt* stmt;
        bool inUse;
    };
    std::unordered_multimap<std::string, Cached> cache;
    QHash<QString, bool> isTable;  // name -> true for a table, false for a view

    ~DbConnection() {
        for (auto& entry : cache) {
            sqlite3_finalize(entry.second.stmt);
        }
        if (db != nullptr) {
            sqlite3_close_v2(db);
        }
    }

    [[noreturn]] void fail() const { throw Error(QString::fromUtf8(sqlite3_errmsg(db))); }

    sqlite3_stmt* acquire(const QString& sql) {
        const std::string key = sql.toStdString();
        auto range = cache.equal_range(key);
        for (auto it = range.first; it != range.second; ++it) {
            if (!it->second.inUse) {
                it->second.inUse = true;
                return it->second.stmt;
            }
        }
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v3(db, key.c_str(), static_cast<int>(key.size()), SQLITE_PREPARE_PERSISTENT,
                               &stmt, nullptr) != SQLITE_OK) {
            sqlite3_finalize(stmt);
            fail();
        }
        if (stmt == nullptr) {
            throw Error(QStringLiteral("空の SQL 文です。"));
        }
        cache.emplace(key, Cached{stmt, true});
        return stmt;
    }

    void release(sqlite3_stmt* stmt) {
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
        for (auto& entry : cache) {
            if (entry.second.stmt == stmt) {
                entry.second.inUse = false;
                return;
            }
        }
    }

    void bind(sqlite3_stmt* stmt, const Params& params) {
        const int expected = sqlite3_bind_parameter_count(stmt);
        if (expected != static_cast<int>(params.size())) {
            throw Error(QStringLiteral("SQL 文のパラメータの数が合いません（%1 個必要、%2 個指定）。")
                            .arg(expected)
                            .arg(params.size()));
        }
        for (int i = 0; i < expected; ++i) {
            bindOne(stmt, i + 1, params[static_cast<size_t>(i)]);
        }
    }

    void bindOne(sqlite3_stmt* stmt, int position, const FieldValue& value) {
        std::string utf8;
        bindText(stmt, position, value, utf8, SQLITE_TRANSIENT);
    }

    // Binds from `scratch`, which must stay untouched until the statement has
    // run: the engine reads the bytes in place instead of copying them.
    void bindBuffered(sqlite3_stmt* stmt, int position, const FieldValue& value, std::string& scratch) {
        bindText(stmt, position, value, scratch, SQLITE_STATIC);
    }

    void bindText(sqlite3_stmt* stmt, int position, const FieldValue& value, std::string& utf8,
                  sqlite3_destructor_type lifetime) {
        int rc;
        if (value) {
            encodeUtf8(*value, utf8);
            rc = sqlite3_bind_text64(stmt, position, utf8.data(), static_cast<sqlite3_uint64>(utf8.size()),
                                     lifetime, SQLITE_UTF8);
        } else {
            rc = sqlite3_bind_null(stmt, position);
        }
        if (rc != SQLITE_OK) {
            fail();
        }
    }

    // Steps a statement that was bound already and returns no rows.
    void finish(sqlite3_stmt* stmt) {
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        }
        const bool ok = rc == SQLITE_DONE;
        if (!ok) {
            const QString message = QString::fromUtf8(sqlite3_errmsg(db));
            sqlite3_reset(stmt);
            throw Error(message);
        }
        sqlite3_reset(stmt);
    }

    // Steps a statement that returns no rows to its end.
    void run(const QString& sql, const Params& params) {
        sqlite3_stmt* stmt = acquire(sql);
        StatementLease lease{this, stmt};
        bind(stmt, params);
        finish(stmt);
    }

    bool tableExists(const QString& name) {
        auto it = isTable.constFind(name);
        if (it != isTable.constEnd()) {
            return it.value();
        }
        sqlite3_stmt* stmt = acquire(QStringLiteral("SELECT type FROM sqlite_master WHERE name = ?"));
        StatementLease lease{this, stmt};
        bind(stmt, {name});
        const int rc = sqlite3_step(stmt);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
            fail();
        }
        const bool table = rc == SQLITE_ROW && columnValue(stmt, 0) == QStringLiteral("table");
        isTable.insert(name, table);
        return table;
    }
};

StatementLease::~StatementLease() {
    conn_->release(stmt_);
}

// ---------------------------------------------------------------------------
// Record sets.
//
// A record set on a table (by name, or as "SELECT * FROM <table>") is a cursor
// over the table's rows in stored (rowid) order that can also add, find and
// edit rows; rows added through it become part of it. Any other source is a
// forward-only read of the statement's rows.

struct RecordsetImpl {
    std::shared_ptr<DbConnection> conn;
    QStringList columns;
    QHash<QString, int> columnIndex;
    bool closed = false;

    // Forward-only reading.
    sqlite3_stmt* stmt = nullptr;
    bool atEnd = true;

    // Table cursor.
    QString table;
    sqlite3_int64 rowid = 0;
    bool hasRow = false;
    bool rowLoaded = false;
    std::vector<FieldValue> row;
    enum class Mode { None, AddNew, Edit } mode = Mode::None;
    std::vector<FieldValue> pending;
    std::vector<bool> dirty;
    // The UTF-8 of the values being stored, bound in place (see bindBuffered).
    std::vector<std::string> utf8;
    bool noMatch = false;
    // The import adds, finds and edits a row per card; these statements are
    // prepared on first use and kept for the record set's life.
    sqlite3_stmt* insertStmt = nullptr;
    std::unordered_map<std::vector<bool>, sqlite3_stmt*> updateStmts;  // by the set of changed fields
    QHash<QString, sqlite3_stmt*> findStmts;                           // by criterion

    bool isTable() const { return !table.isEmpty(); }

    // AddNew and Edit both start from a row of untouched fields.
    void beginChange(Mode next) {
        mode = next;
        pending.assign(static_cast<size_t>(columns.size()), std::nullopt);
        dirty.assign(static_cast<size_t>(columns.size()), false);
    }

    ~RecordsetImpl() { releaseStatement(); }

    void releaseStatement() {
        if (stmt != nullptr) {
            conn->release(stmt);
            stmt = nullptr;
        }
        if (insertStmt != nullptr) {
            conn->release(insertStmt);
            insertStmt = nullptr;
        }
        for (auto& entry : updateStmts) {
            conn->release(entry.second);
        }
        updateStmts.clear();
        for (sqlite3_stmt* find : std::as_const(findStmts)) {
            conn->release(find);
        }
        findStmts.clear();
    }

    void checkOpen() const {
        if (closed) {
            throw Error(QStringLiteral("レコードセットは閉じられています。"));
        }
    }

    void setColumns(sqlite3_stmt* s, int first) {
        const int count = sqlite3_column_count(s);
        for (int i = first; i < count; ++i) {
            const QString name = QString::fromUtf8(sqlite3_column_name(s, i));
            columnIndex.insert(name, columns.size());
            columns.append(name);
        }
    }

    int indexOf(const QString& name) const {
        auto it = columnIndex.constFind(name);
        if (it == columnIndex.constEnd()) {
            throw Error(QStringLiteral("フィールド '%1' はこのレコードセットにありません。").arg(name));
        }
        return it.value();
    }

    void stepQuery() {
        const int rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW) {
            atEnd = false;
        } else if (rc == SQLITE_DONE) {
            atEnd = true;
        } else {
            atEnd = true;
            conn->fail();
        }
    }

    // Positions the table cursor on the first row after `after`.
    void seekAfter(sqlite3_int64 after) {
        const QString sql = QStringLiteral("SELECT rowid FROM %1 WHERE rowid > ? ORDER BY rowid LIMIT 1")
                                .arg(quoteIdentifier(table));
        sqlite3_stmt* s = conn->acquire(sql);
        StatementLease lease{conn.get(), s};
        if (sqlite3_bind_int64(s, 1, after) != SQLITE_OK) {
            conn->fail();
        }
        const int rc = sqlite3_step(s);
        if (rc == SQLITE_ROW) {
            hasRow = true;
            rowid = sqlite3_column_int64(s, 0);
            rowLoaded = false;
        } else if (rc == SQLITE_DONE) {
            hasRow = false;
        } else {
            hasRow = false;
            conn->fail();
        }
    }

    void loadRow() {
        if (rowLoaded) {
            return;
        }
        const QString sql = QStringLiteral("SELECT * FROM %1 WHERE rowid = ?").arg(quoteIdentifier(table));
        sqlite3_stmt* s = conn->acquire(sql);
        StatementLease lease{conn.get(), s};
        if (sqlite3_bind_int64(s, 1, rowid) != SQLITE_OK) {
            conn->fail();
        }
        const int rc = sqlite3_step(s);
        if (rc == SQLITE_ROW) {
            row.clear();
            for (int i = 0; i < columns.size(); ++i) {
                row.push_back(columnValue(s, i));
            }
            rowLoaded = true;
        } else if (rc == SQLITE_DONE) {
            throw Error(QStringLiteral("カレント レコードがありません。"));
        } else {
            conn->fail();
        }
    }

    void checkIndex(int index) const {
        if (index < 0 || index >= columns.size()) {
            throw Error(QStringLiteral("フィールド番号 %1 はこのレコードセットにありません。").arg(index));
        }
    }

    FieldValue value(int index) {
        checkOpen();
        checkIndex(index);
        if (isTable()) {
            if (!hasRow) {
                throw Error(QStringLiteral("カレント レコードがありません。"));
            }
            loadRow();
            return row[static_cast<size_t>(index)];
        }
        if (atEnd) {
            throw Error(QStringLiteral("カレント レコードがありません。"));
        }
        return columnValue(stmt, index);
    }

    void requireEditing() const {
        requireTable("SetField");
        if (mode == Mode::None) {
            throw Error(QStringLiteral("AddNew または Edit を実行せずにフィールドを更新しようとしました。"));
        }
    }

    void requireTable(const char* operation) const {
        checkOpen();
        if (!isTable()) {
            throw Error(QStringLiteral("このレコードセットでは %1 を使えません（更新できません）。")
                            .arg(QLatin1String(operation)));
        }
    }
};

namespace {

RecordsetImpl& open(const std::unique_ptr<RecordsetImpl>& d) {
    if (!d) {
        throw Error(QStringLiteral("レコードセットが開かれていません。"));
    }
    return *d;
}

}  // namespace

Recordset::Recordset() = default;
Recordset::~Recordset() = default;
Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;
Recordset::Recordset(std::unique_ptr<RecordsetImpl> impl) : d_(std::move(impl)) {}

bool Recordset::Eof() const {
    if (!d_ || d_->closed) {
        return true;
    }
    return d_->isTable() ? !d_->hasRow : d_->atEnd;
}

void Recordset::MoveNext() {
    RecordsetImpl& d = open(d_);
    d.checkOpen();
    if (Eof()) {
        throw Error(QStringLiteral("カレント レコードがありません。"));
    }
    if (d.isTable()) {
        d.seekAfter(d.rowid);
    } else {
        d.stepQuery();
    }
}

FieldValue Recordset::Fields(const QString& name) const {
    RecordsetImpl& d = open(d_);
    return d.value(d.indexOf(name));
}

FieldValue Recordset::Fields(int index) const {
    return open(d_).value(index);
}

QString Recordset::Text(const QString& name) const {
    return Fields(name).value_or(QString());
}
QString Recordset::Text(int index) const {
    QString text;
    ReadText(index, text);
    return text;
}

void Recordset::ReadText(int index, QString& into) const {
    RecordsetImpl& d = open(d_);
    // The writers read every field of every row of a query: straight from the
    // statement's row, without the FieldValue in between.
    if (!d.closed && !d.isTable() && !d.atEnd && index >= 0 && index < d.columns.size()) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(d.stmt, index));
        if (text == nullptr) {
            into.resize(0);
        } else {
            decodeUtf8(text, sqlite3_column_bytes(d.stmt, index), into);
        }
        return;
    }
    const FieldValue value = d.value(index);
    if (value) {
        into = *value;
    } else {
        into.resize(0);
    }
}

int Recordset::FieldCount() const {
    return d_ ? static_cast<int>(d_->columns.size()) : 0;
}
QStringList Recordset::FieldNames() const {
    return d_ ? d_->columns : QStringList();
}
int Recordset::FieldIndex(const QString& name) const {
    return open(d_).indexOf(name);
}

void Recordset::AddNew() {
    RecordsetImpl& d = open(d_);
    d.requireTable("AddNew");
    d.beginChange(RecordsetImpl::Mode::AddNew);
}

void Recordset::Edit() {
    RecordsetImpl& d = open(d_);
    d.requireTable("Edit");
    if (!d.hasRow) {
        throw Error(QStringLiteral("カレント レコードがありません。"));
    }
    d.beginChange(RecordsetImpl::Mode::Edit);
}

void Recordset::SetField(const QString& name, const FieldValue& value) {
    RecordsetImpl& d = open(d_);
    d.requireEditing();
    SetField(d.indexOf(name), value);
}

void Recordset::SetField(int index, const FieldValue& value) {
    RecordsetImpl& d = open(d_);
    d.requireEditing();
    d.checkIndex(index);
    const auto at = static_cast<size_t>(index);
    d.pending[at] = value;
    d.dirty[at] = true;
}

void Recordset::Update() {
    RecordsetImpl& d = open(d_);
    d.requireTable("Update");
    if (d.mode == RecordsetImpl::Mode::None) {
        throw Error(QStringLiteral("AddNew または Edit を実行せずに Update を実行しました。"));
    }
    const auto mode = d.mode;
    d.mode = RecordsetImpl::Mode::None;
    const int count = static_cast<int>(d.pending.size());
    if (mode == RecordsetImpl::Mode::AddNew) {
        if (d.insertStmt == nullptr) {
            QStringList names;
            QStringList marks;
            for (const QString& column : std::as_const(d.columns)) {
                names.append(quoteIdentifier(column));
                marks.append(QStringLiteral("?"));
            }
            d.insertStmt =
                d.conn->acquire(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                    .arg(quoteIdentifier(d.table), names.join(QStringLiteral(", ")),
                                         marks.join(QStringLiteral(", "))));
        }
        d.utf8.resize(d.pending.size());
        for (int i = 0; i < count; ++i) {
            const auto at = static_cast<size_t>(i);
            d.conn->bindBuffered(d.insertStmt, i + 1, d.pending[at], d.utf8[at]);
        }
        d.conn->finish(d.insertStmt);
        return;
    }
    if (std::find(d.dirty.begin(), d.dirty.end(), true) == d.dirty.end()) {
        return;
    }
    sqlite3_stmt*& update = d.updateStmts[d.dirty];
    if (update == nullptr) {
        QStringList sets;
        for (int i = 0; i < count; ++i) {
            if (d.dirty[static_cast<size_t>(i)]) {
                sets.append(quoteIdentifier(d.columns[i]) + QStringLiteral(" = ?"));
            }
        }
        update = d.conn->acquire(QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?")
                                     .arg(quoteIdentifier(d.table), sets.join(QStringLiteral(", "))));
    }
    int position = 1;
    d.utf8.resize(d.pending.size());
    for (int i = 0; i < count; ++i) {
        const auto at = static_cast<size_t>(i);
        if (d.dirty[at]) {
            d.conn->bindBuffered(update, position++, d.pending[at], d.utf8[at]);
        }
    }
    if (sqlite3_bind_int64(update, position, d.rowid) != SQLITE_OK) {
        d.conn->fail();
    }
    d.conn->finish(update);
    d.rowLoaded = false;
}

void Recordset::FindFirst(const QString& criterion, const Params& params) {
    RecordsetImpl& d = open(d_);
    d.requireTable("FindFirst");
    sqlite3_stmt*& find = d.findStmts[criterion];
    if (find == nullptr) {
        find = d.conn->acquire(QStringLiteral("SELECT rowid FROM %1 WHERE (%2) ORDER BY rowid LIMIT 1")
                                   .arg(quoteIdentifier(d.table), criterion));
    }
    d.conn->bind(find, params);
    const int rc = sqlite3_step(find);
    if (rc == SQLITE_ROW) {
        d.noMatch = false;
        d.hasRow = true;
        d.rowid = sqlite3_column_int64(find, 0);
        d.rowLoaded = false;
    } else if (rc != SQLITE_DONE) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(d.conn->db));
        sqlite3_reset(find);
        throw Error(message);
    } else {
        d.noMatch = true;
    }
    sqlite3_reset(find);
}

bool Recordset::NoMatch() const {
    return d_ ? d_->noMatch : true;
}

void Recordset::Close() {
    if (d_) {
        d_->releaseStatement();
        d_->closed = true;
    }
}

// ---------------------------------------------------------------------------
// Database.

Database::Database(const QString& path, std::shared_ptr<DbConnection> conn)
    : path_(path), conn_(std::move(conn)) {}
Database::~Database() = default;

sqlite3* Database::handle() const {
    return conn_->db;
}

std::unique_ptr<Database> Database::open(const QString& path) {
    configureEngine();
    auto conn = std::make_shared<DbConnection>();
    // No SQLITE_OPEN_CREATE: the working database is part of the installation,
    // and a missing one must be reported, not silently replaced by an empty one.
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &conn->db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        if (conn->db == nullptr) {
            throw Error(QString::fromUtf8(sqlite3_errstr(rc)));
        }
        conn->fail();
    }
    sqlite3_extended_result_codes(conn->db, 1);
    sqlite3_busy_timeout(conn->db, kBusyTimeoutMs);
    // An import of 100,000 cards is one transaction touching four b-trees; a
    // page cache that holds them all keeps it from spilling to the file midway.
    conn->run(QStringLiteral("PRAGMA cache_size = -65536"), {});
    if (sqlite3_db_readonly(conn->db, "main") == 1) {
        throw Error(QStringLiteral("attempt to write a readonly database"));
    }
    // A foreign, damaged or incomplete file is refused here, while nothing is at
    // stake, rather than in the middle of an import or a writer run.
    for (const char* sql : kRequiredSources) {
        conn->run(QString::fromUtf8(sql), {});
    }
    sqlite3_stmt* check = conn->acquire(QStringLiteral("PRAGMA quick_check(1)"));
    {
        StatementLease lease{conn.get(), check};
        const int step = sqlite3_step(check);
        if (step != SQLITE_ROW) {
            conn->fail();
        }
        const FieldValue verdict = columnValue(check, 0);
        if (verdict != QStringLiteral("ok")) {
            throw Error(
                QStringLiteral("database disk image is malformed (%1)").arg(verdict.value_or(QString())));
        }
    }
    return std::unique_ptr<Database>(new Database(path, std::move(conn)));
}

void Database::create(const QString& path) {
    if (QFileInfo::exists(path)) {
        throw Error(QStringLiteral("ファイルが既にあります: %1").arg(path));
    }
    configureEngine();
    sqlite3* db = nullptr;
    int rc =
        sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    QString failure;
    if (rc != SQLITE_OK) {
        failure =
            db != nullptr ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    } else {
        const std::string sql = std::string("BEGIN;\n") + schema::kCreateSql + "\nCOMMIT;";
        char* message = nullptr;
        if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
            failure = QString::fromUtf8(message != nullptr ? message : sqlite3_errmsg(db));
            sqlite3_free(message);
        }
    }
    sqlite3_close_v2(db);
    if (!failure.isEmpty()) {
        QFile::remove(path);
        throw Error(failure);
    }
}

void Database::Execute(const QString& sql, const Params& params) {
    conn_->run(sql, params);
}

Recordset Database::OpenRecordset(const QString& source, const Params& params) {
    auto impl = std::make_unique<RecordsetImpl>();
    impl->conn = conn_;

    // A table, named alone or as "SELECT * FROM <table>", opens an editable cursor.
    static const QRegularExpression selectAll(QStringLiteral(R"(^\s*SELECT\s+\*\s+FROM\s+([^\s;]+)\s*$)"),
                                              QRegularExpression::CaseInsensitiveOption);
    QString name = source.trimmed();
    if (const auto m = selectAll.match(source); m.hasMatch()) {
        name = m.captured(1);
    }
    static const QRegularExpression notAName(QStringLiteral(R"([\s;(),'"])"));
    const bool plainName = !name.isEmpty() && !name.contains(notAName);
    if (plainName && params.empty() && conn_->tableExists(name)) {
        impl->table = name;
        sqlite3_stmt* probe =
            conn_->acquire(QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(quoteIdentifier(name)));
        impl->setColumns(probe, 0);
        conn_->release(probe);
        impl->seekAfter(std::numeric_limits<sqlite3_int64>::min());
        return Recordset(std::move(impl));
    }

    const QString sql = (plainName && !source.trimmed().contains(QLatin1Char(' ')))
                            ? QStringLiteral("SELECT * FROM %1").arg(quoteIdentifier(name))
                            : source;
    impl->stmt = conn_->acquire(sql);
    impl->setColumns(impl->stmt, 0);
    conn_->bind(impl->stmt, params);
    impl->stepQuery();
    return Recordset(std::move(impl));
}

void Database::BeginTrans() {
    conn_->run(QStringLiteral("BEGIN IMMEDIATE"), {});
}
void Database::CommitTrans() {
    conn_->run(QStringLiteral("COMMIT"), {});
}
void Database::Rollback() {
    if (sqlite3_get_autocommit(conn_->db) == 0) {
        conn_->run(QStringLiteral("ROLLBACK"), {});
    }
}

Transaction::Transaction(Database& db) : db_(db) {
    db_.BeginTrans();
}

Transaction::~Transaction() {
    if (open_) {
        try {
            db_.Rollback();
        } catch (...) {
            // Nothing more can be done here; the engine rolls an unfinished
            // transaction back itself when the connection closes.
        }
    }
}

void Transaction::commit() {
    db_.CommitTrans();
    open_ = false;
}

}  // namespace zt
