#include "people/people_store.h"

#include <utility>
#include <vector>

#include "people/card_record.h"
#include "people/identity.h"

namespace zt {

namespace {

// What the store keeps of one entry: who it is, and its card interpreted
// and as a record (none for an entry without a card).
struct Interpreted {
    QByteArray key;
    CardPerson card;
    QByteArray record;
};

// The entry with this name and address (NULL a null QByteArray) and card.
Interpreted interpreted(const QByteArray& name, const QByteArray& address, QByteArrayView cardBytes) {
    if (cardBytes.isNull()) {
        return {personKey(name, address, nullptr, {}), {}, {}};
    }
    Interpreted entry{{}, interpretCard(cardBytes), {}};
    entry.key = personKey(name, address, &entry.card, cardBytes);
    entry.card.person.uid = personUid(name, address, &entry.card, cardBytes);
    entry.record = cardRecord(entry.card);
    return entry;
}

QByteArray nullIfEmpty(const QByteArray& bytes) {
    return bytes.isEmpty() ? QByteArray() : bytes;
}

// Who every entry is and what its card says, as the import of today stores
// them, for a file stored before they were kept.
void interpretStoredCards(Database& db) {
    Recordset entries =
        db.OpenRecordset(QStringLiteral("SELECT rowid, 名前, アドレス, カード FROM アドレス情報"));
    // Written once the reading is done: the engine leaves a table changed
    // under its own reader undefined.
    std::vector<std::pair<qint64, std::pair<QByteArray, QByteArray>>> rows;
    for (; !entries.Eof(); entries.MoveNext()) {
        Interpreted entry = interpreted(entries.Bytes(1), entries.Bytes(2), entries.BytesView(3));
        rows.emplace_back(entries.Integer(0), std::pair(std::move(entry.key), std::move(entry.record)));
    }
    Statement who = db.Prepare(QStringLiteral("UPDATE アドレス情報 SET 人物 = ? WHERE rowid = ?"));
    Statement record =
        db.Prepare(QStringLiteral("INSERT OR REPLACE INTO 人物記録 (項目, 解釈) VALUES (?, ?)"));
    for (const auto& [rowid, row] : rows) {
        who.Execute({nullIfEmpty(row.first), rowid});
        if (!row.second.isNull()) {
            record.Execute({rowid, row.second});
        }
    }
}

// Version 0 is every file made before the version was kept: the tables
// without アドレス情報.カード; 1 has カード but not 所属, 人物 or the view
// 出力人物; 2 has them but not 人物記録 or 取込記録. What a file did not keep stays unknown
// (NULL): its cards, which membership each entry was stored with, and where
// and when its import was made.
void upgrade(Database& db) {
    Transaction transaction(db);
    // Read inside the transaction: another start-up may have upgraded it while this one waited.
    const int version = db.formatVersion();
    if (version >= schemaVersion()) {
        return;
    }
    const auto create = [&db](const char* name) { db.Execute(schemaStatement(QString::fromUtf8(name))); };
    if (version == 0) {
        // An earlier program's view may differ from today's.
        db.Execute(QStringLiteral("DROP VIEW 出力情報"));
        db.Execute(QStringLiteral("ALTER TABLE アドレス情報 ADD COLUMN カード BLOB"));
        create("出力情報");
    }
    if (version < 2) {
        db.Execute(QStringLiteral("ALTER TABLE アドレス情報 ADD COLUMN 所属 INTEGER"));
        db.Execute(QStringLiteral("ALTER TABLE アドレス情報 ADD COLUMN 人物 BLOB"));
        create("アドレス情報_人物");
    }
    db.Execute(QStringLiteral("DROP VIEW IF EXISTS 出力人物"));
    create("出力人物");
    create("人物記録");
    create("取込記録");
    interpretStoredCards(db);
    db.Execute(QStringLiteral("PRAGMA user_version = %1").arg(schemaVersion()));
    transaction.commit();
}

}  // namespace

FieldValue storedText(const QString& value) {
    return value.isNull() ? QStringLiteral("") : value;
}

std::unique_ptr<Database> openWorkingDatabase(const QString& path) {
    std::unique_ptr<Database> db = Database::open(path);
    if (db->formatVersion() < schemaVersion()) {
        upgrade(*db);
    }
    db->requireSource(QStringLiteral("SELECT カード, 所属, 人物 FROM アドレス情報 LIMIT 0"));
    db->requireSource(QStringLiteral("SELECT 項目, 解釈 FROM 人物記録 LIMIT 0"));
    db->requireSource(QStringLiteral("SELECT 項目, 人物, 件数 FROM 出力人物 LIMIT 0"));
    db->requireSource(QStringLiteral("SELECT フォルダ, 日時 FROM 取込記録 LIMIT 0"));
    return db;
}

CardStore::CardStore(Database& db)
    : db_(db),
      membership_(
          db.Prepare(QStringLiteral("INSERT INTO グループ情報 (グループ, 名前, アドレス) VALUES (?, ?, ?)"))),
      // Run straight after its membership, whose rowid is then the last one inserted.
      entry_(db.Prepare(
          QStringLiteral("INSERT INTO アドレス情報 (名前, アドレス, 会社名, 部署名, カード, 人物, 所属) "
                         "VALUES (?, ?, ?, ?, ?, ?, last_insert_rowid())"))),
      record_(db.Prepare(QStringLiteral("INSERT INTO 人物記録 (項目, 解釈) VALUES (?, ?)"))) {}

StoredCard CardStore::add(const QString& group, const Card& card) {
    const CardFields& f = card.fields;
    const FieldValue name = storedText(f.name), address = storedText(f.address);
    membership_.Execute({storedText(group), name, address});
    // Never NULL, so never apart from empty.
    const auto utf8 = [](const QString& text) { return text.isEmpty() ? QByteArray("") : text.toUtf8(); };
    const Interpreted stored = interpreted(utf8(*name), utf8(*address), card.bytes);
    entry_.Execute({name, address, storedText(f.company), storedText(f.department), card.bytes,
                    nullIfEmpty(stored.key)});
    const qint64 entry = db_.lastInsertRowid();
    record_.Execute({entry, stored.record});
    return {entry, stored.card.name(), stored.card.preferredEmail()};
}

}  // namespace zt
