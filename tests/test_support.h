#pragma once

// Helpers shared by the tests: files in and out, a fresh working database and
// its rows, and the fixture every window test shares.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "card/person.h"
#include "db/database.h"
#include "formats/loss_report.h"
#include "people/people_store.h"
#include "platform/message_box.h"
#include "platform/test_seams.h"
#include "shell/job_window.h"

Q_DECLARE_METATYPE(zt::FieldValue)

inline const zt::FieldValue kNull = std::nullopt;

inline QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArrayLiteral("<missing>");
}

// A file under tests/data: expected outputs and inputs kept as files.
inline QString testData(const QString& name) {
    return QStringLiteral(ZT_TEST_DATA "/") + name;
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        qFatal("cannot write %s", qPrintable(path));
    }
}

// Writes, by `write`, the output that tests/data/<tag> holds into `folder`,
// beside an earlier loss report, and compares: the output with that file, the
// report with tests/data/<tag>.report.txt, or with none where there is no
// such file, and the count of losses `write` returns with the report's lines.
template <class Write>
void compareOutput(const QString& folder, const QString& tag, Write write) {
    const QString path = folder + u'/' + tag;
    writeFile(path + u".report.txt"_qs, "an earlier run\r\n");
    const qsizetype losses = write(path);
    QCOMPARE(fileBytes(path), fileBytes(testData(tag)));
    const QByteArray report = fileBytes(testData(tag + u".report.txt"_qs));
    QCOMPARE(fileBytes(path + u".report.txt"_qs), report);
    QCOMPARE(losses, qMax(report.count("\r\n") - 1, 0));
}

// A fresh working database, filled by plain INSERTs so that a test can store
// NULLs the import never would; outputs go to a folder of their own.
class WorkDb {
public:
    WorkDb() {
        zt::Database::create(dir.filePath(QStringLiteral("work.mdb")));
        db = zt::openWorkingDatabase(dir.filePath(QStringLiteral("work.mdb")));
        QDir(dir.path()).mkdir(QStringLiteral("out"));
    }

    QString outDir() const { return dir.filePath(QStringLiteral("out")); }
    QString out(const QString& name) const { return outDir() + u'/' + name; }
    // Everything the runs left, hidden files included.
    QStringList outFiles() const {
        return QDir(outDir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                        QDir::NoDotAndDotDot);
    }

    // A row as another program stores one: nobody's but its own, with no
    // card and no record (commit() makes it the program's own).
    void entry(const zt::FieldValue& name, const zt::FieldValue& address, const zt::FieldValue& company,
               const zt::FieldValue& department, const zt::FieldValue& title) {
        db->Execute(u"INSERT INTO アドレス情報 (名前,アドレス,会社名,部署名,役職) VALUES (?,?,?,?,?)"_qs,
                    {name, address, company, department, title});
    }
    void member(const zt::FieldValue& group, const zt::FieldValue& name, const zt::FieldValue& address) {
        db->Execute(u"INSERT INTO グループ情報 (グループ,名前,アドレス) VALUES (?,?,?)"_qs,
                    {group, name, address});
    }
    // As the import stores a card: the membership (if any), then the entry.
    void person(const zt::FieldValue& group, const QString& name, const QString& address,
                const zt::FieldValue& company, const zt::FieldValue& department,
                const zt::FieldValue& title) {
        if (group) {
            member(group, name, address);
        }
        entry(name, address, company, department, title);
    }

    // The rows as an older program left them, upgraded: who each entry is
    // and the people, as the program makes them.
    void commit() {
        db->Execute(u"PRAGMA user_version = 3"_qs);
        db = zt::openWorkingDatabase(db->path());
    }

    QTemporaryDir dir;
    std::unique_ptr<zt::Database> db;
};

// Makes a working database what version 2 made: no 人物記録 or 取込記録.
inline void makeVersion2(zt::Database& db) {
    for (const char* sql : {"DROP TRIGGER 人物記録_項目削除", "DROP TRIGGER 人物記録_項目追加",
                            "DROP TRIGGER 人物記録_人物変更", "DROP TABLE 人物記録", "DROP TABLE 取込記録",
                            "PRAGMA user_version = 2"}) {
        db.Execute(QString::fromUtf8(sql));
    }
}

// Makes a working database what version 1 made: no 所属, 人物 or 出力人物.
inline void makeVersion1(zt::Database& db) {
    makeVersion2(db);
    for (const char* sql :
         {"DROP VIEW 出力人物", "DROP INDEX アドレス情報_人物", "ALTER TABLE アドレス情報 DROP COLUMN 人物",
          "ALTER TABLE アドレス情報 DROP COLUMN 所属", "PRAGMA user_version = 1"}) {
        db.Execute(QString::fromUtf8(sql));
    }
}

// Makes a working database what programs before the cards were kept made:
// version 0, no カード, 所属 or 人物, and a view of another definition.
inline void makeVersion0(zt::Database& db) {
    makeVersion1(db);
    for (const char* sql :
         {"DROP VIEW 出力情報", "ALTER TABLE アドレス情報 DROP COLUMN カード",
          "CREATE VIEW 出力情報 AS SELECT NULL AS グループ, 名前, アドレス, 会社名, 部署名, "
          "役職 FROM アドレス情報",
          "PRAGMA user_version = 0"}) {
        db.Execute(QString::fromUtf8(sql));
    }
}

// The people of a table, as the person writers and the list take them.
inline zt::PersonSource sourceOf(const QList<zt::Person>& people) {
    return [people](const zt::PersonSink& take) {
        for (const zt::Person& p : people) {
            take(p);
        }
    };
}

// The rows a query gives, fields joined with "|", NULL as "∅".
inline QStringList queryRows(zt::Database& db, const QString& sql) {
    QStringList out;
    for (auto rs = db.OpenRecordset(sql); !rs.Eof(); rs.MoveNext()) {
        out << QString();
        for (int i = 0; i < rs.FieldCount(); ++i) {
            out.last() += (i > 0 ? u"|"_qs : QString()) + rs.Fields(i).value_or(u"∅"_qs);
        }
    }
    return out;
}
inline QStringList entryRows(zt::Database& db) {
    return queryRows(db, u"SELECT 名前, アドレス, 会社名, 部署名, 役職 FROM アドレス情報 ORDER BY rowid"_qs);
}
// The people 出力人物 lists, in its order: each one's entries found by 人物
// (rowids joined by ","), then 1 for an entry that is nobody's but its own.
inline QStringList peopleRows(zt::Database& db) {
    return queryRows(db,
                     u"SELECT coalesce((SELECT group_concat(rowid) FROM (SELECT rowid FROM アドレス情報 "
                     u"WHERE 人物 = p.人物 ORDER BY rowid)), 項目), 人物 ISNULL FROM 出力人物 AS p"_qs);
}
inline QStringList membershipRows(zt::Database& db) {
    return queryRows(db, u"SELECT グループ, 名前, アドレス FROM グループ情報 ORDER BY rowid"_qs);
}

// tests/data/<name>.rows, UTF-8, one stored row a line, "|" between fields,
// "∅" for NULL, \r and \n for line breaks: group|name|address|company|
// department|title is a card as the import stores it (no membership for a
// NULL group); group|name|address a membership alone.
inline void storeRows(WorkDb& w, const QString& name) {
    const QStringList lines = QString::fromUtf8(fileBytes(testData(name + u".rows"_qs))).split(u'\n');
    for (const QString& line : lines) {
        QList<zt::FieldValue> f;
        for (QString field : line.split(u'|')) {
            field.replace(u"\\r"_qs, u"\r"_qs).replace(u"\\n"_qs, u"\n"_qs);
            f << (field == u"∅"_qs ? kNull : zt::FieldValue(field));
        }
        if (f.size() == 3 || (f.size() == 6 && f[0])) {
            w.member(f[0], f[1], f[2]);
        }
        if (f.size() == 6) {
            w.entry(f[1], f[2], f[3], f[4], f[5]);
        }
    }
    w.commit();
}

// The fixture every window test shares: each test starts with the test seams
// reset and an empty working database and program folder of its own, and
// opens the real windows offscreen.
class GuiTest : public QObject {
protected:
    // Call from the test's init().
    void reset() {
        zt::enableTestSeams();
        zt::LossReport::setTesting(true);
        // Start-up names the application; the error box is titled with it.
        QCoreApplication::setApplicationName(u"Norrik!アドレス帳移行支援"_qs);
        work = std::make_unique<WorkDb>();
    }

    static void show(QWidget* window) {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }

    // Clicks the run button as the user does; true once the window has
    // closed itself and is gone.
    static bool run(JobWindow* window) {
        QPointer<JobWindow> alive = window;
        QTest::mouseClick(window->処理実行, Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return alive.isNull();
    }

    // Every message box shown so far: title|icon|buttons|text, the icon as
    // ? ! i x (question, exclamation, information, critical), the buttons as
    // Ok or YesNo, with "yes" added where Yes is the default.
    static QStringList boxes() {
        QStringList out;
        for (const zt::MessageBox::Shown& s : zt::MessageBox::shown()) {
            const bool yesNo = s.buttons == zt::MessageBox::Buttons::YesNo;
            out << QStringList{s.title, QString(u"?!ix"_qs[int(s.icon)]),
                               yesNo ? (s.defaultAnswer == zt::MessageBox::Answer::Yes ? u"YesNo yes"_qs
                                                                                       : u"YesNo"_qs)
                                     : u"Ok"_qs,
                               s.text}
                       .join(u'|');
        }
        return out;
    }

    // The box of a fatal error with `text`.
    static QString fatal(const QString& text) { return u"Norrik!アドレス帳移行支援|x|Ok|"_qs + text; }

    std::unique_ptr<WorkDb> work;
};
