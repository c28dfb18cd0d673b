#include "people/people_store.h"

#include <utility>
#include <vector>

#include "people/card_record.h"
#include "people/identity.h"

namespace zt {

namespace {

// Who every entry is and what its card says, as the import of today reads
// them, and the people committed, for a file stored before they were kept.
void interpretStoredCards(Database& db) {
    Recordset entries =
        db.OpenRecordset(QStringLiteral("SELECT rowid, 名前, アドレス, カード FROM アドレス情報"));
    // Written once the reading is done: the engine leaves a table changed
    // under its own reader undefined.
    std::vector<std::pair<qint64, QByteArray>> keys;
    EntryCards cards;
    for (; !entries.Eof(); entries.MoveNext()) {
        const QByteArray name = entries.Bytes(1), address = entries.Bytes(2);
        const QByteArrayView bytes = entries.BytesView(3);
        if (bytes.isNull()) {
            keys.emplace_back(entries.Integer(0), personKey(name, address, nullptr, {}));
            continue;
        }
        CardPerson card = interpretCard(bytes);
        keys.emplace_back(entries.Integer(0), personKey(name, address, &card, bytes));
        card.person.uid = personUid(name, address, &card, bytes);
        cards.insert(entries.Integer(0), cardRecord(card));
    }
    Statement who = db.Prepare(QStringLiteral("UPDATE アドレス情報 SET 人物 = ? WHERE rowid = ?"));
    for (const auto& [rowid, key] : keys) {
        who.Execute({key, rowid});
    }
    commitPeople(db, cards);
}

// Version 0 is every file made before the version was kept: the tables
// without アドレス情報.カード; 1 has カード but not 所属, 人物 or the view
// 出力人物; 2 has them but not 人物記録 or 取込記録; 3 kept each card's
// interpretation in 人物記録 where today's keeps each person. What a file did
// not keep stays unknown (NULL): its cards, which membership each entry was
// stored with, and where and when its import was made.
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
    if (version < 3) {
        create("取込記録");
    }
    db.Execute(QStringLiteral("DROP VIEW IF EXISTS 出力人物"));
    db.Execute(QStringLiteral("DROP TABLE IF EXISTS 人物記録"));
    create("出力人物");
    create("人物記録");
    for (const char* trigger : {"人物記録_項目削除", "人物記録_項目追加", "人物記録_人物変更"}) {
        db.Execute(QStringLiteral("DROP TRIGGER IF EXISTS %1").arg(QString::fromUtf8(trigger)));
        create(trigger);
    }
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
    db->requireSource(QStringLiteral("SELECT 人物, 件数, 記録 FROM 人物記録 LIMIT 0"));
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
                         "VALUES (?, ?, ?, ?, ?, ?, last_insert_rowid())"))) {}

StoredCard CardStore::add(const QString& group, Card&& card) {
    const CardFields& f = card.fields;
    const FieldValue name = storedText(f.name), address = storedText(f.address);
    membership_.Execute({storedText(group), name, address});
    // Never NULL, so never apart from empty.
    const auto utf8 = [](const QString& text) { return text.isEmpty() ? QByteArray("") : text.toUtf8(); };
    const QByteArray storedName = utf8(*name), storedAddress = utf8(*address);
    CardPerson& person = card.person;
    entry_.Execute({name, address, storedText(f.company), storedText(f.department), card.bytes,
                    personKey(storedName, storedAddress, &person, card.bytes)});
    const qint64 entry = db_.lastInsertRowid();
    person.person.uid = personUid(storedName, storedAddress, &person, card.bytes);
    cards_.insert(entry, cardRecord(person));
    return {entry, person.name(), person.preferredEmail()};
}

void CardStore::commitPeople() {
    zt::commitPeople(db_, std::exchange(cards_, {}));
}

}  // namespace zt
