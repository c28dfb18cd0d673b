#include "people/store_summary.h"

namespace zt {

namespace {

qsizetype count(Database& db, const QString& sql) {
    return qsizetype(db.OpenRecordset(sql).Integer(0));
}

}  // namespace

StoreSummary readStoreSummary(Database& db) {
    ReadTransaction reading(db);
    StoreSummary summary;
    summary.people = count(db, QStringLiteral("SELECT count(*) FROM 出力人物"));
    summary.cards = count(db, QStringLiteral("SELECT count(*) FROM アドレス情報"));
    summary.groups =
        count(db, QStringLiteral("SELECT count(DISTINCT グループ) FROM グループ情報 WHERE グループ <> ''"));
    // The import keeps one row; should a file ever hold more, the last one stored is the last import.
    Recordset last =
        db.OpenRecordset(QStringLiteral("SELECT フォルダ, 日時 FROM 取込記録 ORDER BY rowid DESC LIMIT 1"));
    if (!last.Eof()) {
        summary.recorded = true;
        summary.folder = last.Text(0);
        summary.importedAt = QDateTime::fromString(last.Text(1), Qt::ISODate);
    }
    return summary;
}

}  // namespace zt
