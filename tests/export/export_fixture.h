#pragma once

#include <QDir>
#include <QFile>
#include <QMetaType>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <optional>

#include "db/database.h"

Q_DECLARE_METATYPE(zt::FieldValue)

// A fresh working database in a temporary folder, filled by plain INSERTs so
// that a test can store NULLs and odd values the import never would. Output
// files go to a folder of their own, so a test can see everything a run left.
class WorkDb {
public:
    WorkDb() {
        QDir(dir.path()).mkdir(QStringLiteral("out"));
        zt::Database::create(dir.filePath(QStringLiteral("work.mdb")));
        db = zt::Database::open(dir.filePath(QStringLiteral("work.mdb")));
    }

    QString outDir() const { return dir.filePath(QStringLiteral("out")); }
    QString out(const QString& name) const { return outDir() + u'/' + name; }
    QStringList outFiles() const {
        return QDir(outDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    void entry(const zt::FieldValue& name, const zt::FieldValue& address, const zt::FieldValue& company,
               const zt::FieldValue& department, const zt::FieldValue& title) {
        db->Execute(
            QStringLiteral("INSERT INTO アドレス情報 (名前,アドレス,会社名,部署名,役職) VALUES (?,?,?,?,?)"),
            {name, address, company, department, title});
    }
    void member(const QString& group, const QString& name, const QString& address) {
        db->Execute(QStringLiteral("INSERT INTO グループ情報 (グループ,名前,アドレス) VALUES (?,?,?)"),
                    {group, name, address});
    }
    // As the import stores a card: the membership (if any), then the entry.
    void person(const zt::FieldValue& group, const QString& name, const QString& address,
                const zt::FieldValue& company, const zt::FieldValue& department,
                const zt::FieldValue& title) {
        if (group) {
            member(*group, name, address);
        }
        entry(name, address, company, department, title);
    }

    QTemporaryDir dir;
    std::unique_ptr<zt::Database> db;
};

inline QByteArray fileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QByteArrayLiteral("<missing>");
    }
    return file.readAll();
}

inline const zt::FieldValue kNull = std::nullopt;
