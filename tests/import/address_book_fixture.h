#pragma once

// A throw-away address book (<root>/AddrBook/picked/<group>/...) and a fresh
// working database for the import tests.

#include <QtTest>
#include <memory>

#include "db/database.h"

// Paths under the picked folder with their bytes; a path ending in "/" is an empty folder.
using FileTree = QList<QPair<QString, QByteArray>>;

class AddressBookTree {
public:
    explicit AddressBookTree(const FileTree& tree = {}) {
        QDir().mkpath(picked());
        for (const auto& [path, bytes] : tree) {
            const QString full = picked() + u'/' + path;
            QDir().mkpath(path.endsWith(u'/') ? full : QFileInfo(full).path());
            QFile file(full);
            if (!path.endsWith(u'/') &&
                !(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size())) {
                qFatal("cannot write %s", qPrintable(full));
            }
        }
    }
    QString root() const { return dir_.path(); }
    QString picked() const { return dir_.path() + u"/AddrBook/picked"_qs; }

private:
    QTemporaryDir dir_;
};

inline std::unique_ptr<zt::Database> createDatabase(const QString& path) {
    zt::Database::create(path);
    return zt::Database::open(path);
}

// Rows in stored order, fields joined with "|", NULL shown as "∅".
inline QStringList rows(zt::Database& db, const QString& table, const QString& fields) {
    zt::Recordset rs = db.OpenRecordset(u"SELECT %1 FROM %2 ORDER BY rowid"_qs.arg(fields, table));
    QStringList out;
    for (; !rs.Eof(); rs.MoveNext()) {
        QStringList values;
        for (int i = 0; i < rs.FieldCount(); ++i) {
            values << rs.Fields(i).value_or(u"∅"_qs);
        }
        out << values.join(u'|');
    }
    return out;
}

inline QStringList entryRows(zt::Database& db) {
    return rows(db, u"アドレス情報"_qs, u"名前, アドレス, 会社名, 部署名, 役職"_qs);
}
inline QStringList membershipRows(zt::Database& db) {
    return rows(db, u"グループ情報"_qs, u"グループ, 名前, アドレス"_qs);
}
