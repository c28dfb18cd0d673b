#pragma once

// A throw-away address book tree (…/AddrBook/picked/<group>/…) and a fresh
// working database, for the import tests.

#include <QDir>
#include <QFile>
#include <QPair>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "db/database.h"

// Paths relative to the picked folder with their bytes; a path ending in "/"
// is an empty folder.
using FileTree = QList<QPair<QString, QByteArray>>;

class AddressBookTree {
public:
    AddressBookTree() : picked_(dir_.path() + QStringLiteral("/AddrBook/picked")) { QDir().mkpath(picked_); }

    QString root() const { return dir_.path(); }
    QString picked() const { return picked_; }

    void add(const FileTree& tree) {
        for (const auto& [path, bytes] : tree) {
            if (path.endsWith(u'/')) {
                QVERIFY(QDir().mkpath(picked_ + u'/' + path));
            } else {
                write(path, bytes);
            }
        }
    }

    void write(const QString& relative, const QByteArray& bytes) {
        const QString path = picked_ + u'/' + relative;
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
    }

private:
    QTemporaryDir dir_;
    QString picked_;
};

inline std::unique_ptr<zt::Database> createDatabase(const QString& path) {
    zt::Database::create(path);
    return zt::Database::open(path);
}

// Rows in stored order, fields joined with "|", NULL shown as "∅".
inline QStringList tableRows(zt::Database& db, const QString& select) {
    zt::Recordset rs = db.OpenRecordset(select);
    QStringList rows;
    for (; !rs.Eof(); rs.MoveNext()) {
        QStringList fields;
        for (int i = 0; i < rs.FieldCount(); ++i) {
            const zt::FieldValue value = rs.Fields(i);
            fields << (value ? *value : QStringLiteral("∅"));
        }
        rows << fields.join(u'|');
    }
    return rows;
}

inline QStringList entryRows(zt::Database& db) {
    return tableRows(
        db, QStringLiteral("SELECT 名前, アドレス, 会社名, 部署名, 役職 FROM アドレス情報 ORDER BY rowid"));
}

inline QStringList membershipRows(zt::Database& db) {
    return tableRows(db, QStringLiteral("SELECT グループ, 名前, アドレス FROM グループ情報 ORDER BY rowid"));
}
