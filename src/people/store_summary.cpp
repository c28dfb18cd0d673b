#include "people/store_summary.h"

namespace zt {

StoreSummary readStoreSummary(Database& db) {
    // One statement, so one snapshot. The import keeps one row of 取込記録;
    // should a file ever hold more, the last one stored is the last import.
    Recordset s = db.OpenRecordset(QStringLiteral(
        "SELECT (SELECT count(*) FROM 出力人物), (SELECT count(*) FROM アドレス情報), "
        "(SELECT count(DISTINCT グループ) FROM グループ情報 WHERE グループ <> ''), "
        "EXISTS (SELECT 1 FROM 取込記録), (SELECT フォルダ FROM 取込記録 ORDER BY rowid DESC LIMIT 1), "
        "(SELECT 日時 FROM 取込記録 ORDER BY rowid DESC LIMIT 1)"));
    StoreSummary summary;
    summary.people = qsizetype(s.Integer(0));
    summary.cards = qsizetype(s.Integer(1));
    summary.groups = qsizetype(s.Integer(2));
    summary.recorded = s.Integer(3) != 0;
    summary.folder = s.Text(4);
    summary.importedAt = QDateTime::fromString(s.Text(5), Qt::ISODate);
    return summary;
}

}  // namespace zt
