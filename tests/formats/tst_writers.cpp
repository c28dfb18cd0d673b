// The writers against their golden files under tests/data, and what each
// promises about the file itself.
#include <QRegularExpression>

#include "formats/csv_writer.h"
#include "formats/edmax_writer.h"
#include "formats/google_csv_writer.h"
#include "formats/ldif_writer.h"
#include "formats/loss_report.h"
#include "formats/outlook_csv_writer.h"
#include "formats/tsurukame_writer.h"
#include "formats/vcard_writer.h"
#include "import/address_book_import.h"
#include "people/people_reader.h"
#include "platform/cp932.h"
#include "platform/error.h"
#include "platform/text_file_writer.h"
#include "test_support.h"

enum class Writer { Csv, EdMax, Tsurukame, VCard, Ldif, OutlookCsv, GoogleCsv };
Q_DECLARE_METATYPE(Writer)

namespace {

// The reports are headed as their golden files are.
qsizetype write(Writer writer, zt::Database& db, const QString& path, QChar choice) {
    switch (writer) {
        case Writer::Csv:
            return zt::writeCsv(db, {path, u"CSV 出力"_qs, {}});
        case Writer::EdMax:
            return zt::writeEdMax(db, {path, u"EdMax アドレス帳作成"_qs, {}}, choice);
        case Writer::Tsurukame:
            return zt::writeTsurukame(db, {path, u"鶴亀アドレス帳作成"_qs, {}}, choice,
                                      [] { return QDate(2024, 4, 1); });
        case Writer::VCard:
            return zt::writeVCard(zt::peopleOf(db), {path, {}, {}});
        case Writer::Ldif:
            return zt::writeLdif(zt::peopleOf(db), {path, {}, {}});
        case Writer::OutlookCsv:
            return zt::writeOutlookCsv(zt::peopleOf(db), {path, {}, {}}, zt::OutlookLayout::New);
        case Writer::GoogleCsv:
            return zt::writeGoogleCsv(zt::peopleOf(db), {path, {}, {}});
    }
    return 0;
}

// Text with each "<XX>" as the character of that code: a control in a table.
QString withControls(QString text) {
    static const QRegularExpression code(u"<([0-9A-F]{2})>"_qs);
    for (QRegularExpressionMatch m = code.match(text); m.hasMatch();
         m = code.match(text, m.capturedStart() + 1)) {
        text.replace(m.capturedStart(), 4, QChar(m.captured(1).toUShort(nullptr, 16)));
    }
    return text;
}

// Imports one card file, `card` (UTF-8 here, CP932 in the file), from the
// group folder `folder`.
void importCards(WorkDb& w, const QString& folder, const QString& card) {
    QTemporaryDir book;
    QVERIFY(QDir(book.path()).mkdir(folder));
    writeFile(book.filePath(folder + u"/c.nrk"_qs),
              zt::cp932::encode(QString(card).replace(u'\n', u"\r\n"_qs)));
    zt::importAddressBook(*w.db, book.path());
}

}  // namespace

class TestWriters : public QObject {
    Q_OBJECT
private slots:
    // The loss reports are dated as their golden files are.
    void init() { zt::LossReport::setTesting(true); }

    // Each golden file is the row's name; the rows come from tests/data/<rows>.rows.
    void workedExamples_data() {
        QTest::addColumn<Writer>("writer");
        QTest::addColumn<QChar>("choice");
        QTest::addColumn<QString>("rows");
        QTest::newRow("csv_worked_example.txt") << Writer::Csv << QChar() << "csv_worked_example";
        QTest::newRow("edmax_worked_example.adr") << Writer::EdMax << QChar('5') << "edmax_worked_example";
        QTest::newRow("tsurukame_worked_example.txt")
            << Writer::Tsurukame << QChar('1') << "tsurukame_worked_example";
        // Escaping in every value but the separators, every kind of line
        // break; folding past 75 octets, never inside a UTF-8 sequence.
        for (const char* rows : {"vcard_escaping", "vcard_folding"}) {
            QTest::addRow("%s.vcf", rows) << Writer::VCard << QChar() << rows;
        }
        // Each memo layout and remarks choice on the same awkward people.
        for (char layout = '1'; layout <= '8'; ++layout) {
            QTest::addRow("edmax_layout_%c.adr", layout) << Writer::EdMax << QChar(layout) << "layouts";
        }
        QTest::newRow("edmax_no_layout.adr") << Writer::EdMax << QChar() << "layouts";
        for (char choice = '1'; choice <= '5'; ++choice) {
            QTest::addRow("tsurukame_choice_%c.txt", choice)
                << Writer::Tsurukame << QChar(choice) << "layouts";
        }
        // Bytes as ever, "?" where CP932 has no code; the report beside them
        // names each person and field that lost something.
        QTest::newRow("cp932_losses.txt") << Writer::Csv << QChar() << "cp932_losses";
        QTest::newRow("cp932_losses.adr") << Writer::EdMax << QChar('1') << "cp932_losses";
        QTest::newRow("cp932_losses_tsurukame.txt") << Writer::Tsurukame << QChar('1') << "cp932_losses";
        // Only what the layout writes: here no title, there no department.
        QTest::newRow("cp932_losses_department.adr") << Writer::EdMax << QChar('6') << "cp932_losses";
        QTest::newRow("cp932_losses_title.adr") << Writer::EdMax << QChar('3') << "cp932_losses";
        QTest::newRow("cp932_losses_title.txt") << Writer::Tsurukame << QChar('3') << "cp932_losses";
    }

    void workedExamples() {
        QFETCH(Writer, writer);
        QFETCH(QChar, choice);
        QFETCH(QString, rows);
        WorkDb w;
        storeRows(w, rows);
        compareOutput(w.outDir(), QString::fromUtf8(QTest::currentDataTag()),
                      [&](const QString& path) { return write(writer, *w.db, path, choice); });
    }

    // What a strict reader and Thunderbird take: a vCard ORG whose units after
    // the company are one unit, dns that RFC 4514 reads (while a list's member
    // keeps the address Thunderbird looks it up by), no control but TAB, CR
    // and LF in any output, and a group's line breaks and TABs as spaces in
    // the CP932 layouts; each control left out goes in the report.
    void wellFormed_data() {
        QTest::addColumn<Writer>("writer");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("card");       // "<XX>" a control
        QTest::addColumn<QStringList>("texts");  // each somewhere in the output
        QTest::addColumn<QStringList>("report");
        const QString ann = u"BEGIN:VCARD\nVERSION:3.0\nFN:Ann\nEMAIL;TYPE=PREF:ann@example.com\n"_qs;
        const QString note = ann + u"NOTE:a<00>b<1B>c<7F>\nEND:VCARD\n"_qs;
        const QStringList noteReport{u"Ann\tメモ\ta<00>b<1B>c<7F>"_qs};
        const QString end = u"END:VCARD\n"_qs;
        QTest::newRow("vCard ORG of three units")
            << Writer::VCard << u"g"_qs << ann + u"ORG:株式会社　山田;第一課;第二係\n"_qs + end
            << QStringList{u"\r\nORG:株式会社　山田;第一課\\;第二係\r\n"_qs} << QStringList{};
        QTest::newRow("LDIF plus address")
            << Writer::Ldif << u"g"_qs
            << u"BEGIN:VCARD\nFN:Plus Tag\nEMAIL;PREF:taro+news@example.com\nEND:VCARD\n"_qs
            << QStringList{u"dn: cn=Plus Tag,mail=taro\\+news@example.com\r\n"_qs,
                           u"member: cn=Plus Tag,mail=taro+news@example.com\r\n"_qs}
            << QStringList{};
        QTest::newRow("LDIF quoted address")
            << Writer::Ldif << u"g"_qs
            << u"BEGIN:VCARD\nFN:Odd\nEMAIL;PREF:\"a;b\\c\" @example.com\nEND:VCARD\n"_qs
            << QStringList{u"dn: cn=Odd,mail=\\\"a\\;b\\\\c\\\" @example.com\r\n"_qs} << QStringList{};
        QTest::newRow("LDIF numbers after a name that holds one")
            << Writer::Ldif << u"g"_qs
            << u"BEGIN:VCARD\nFN:Ann\nEMAIL;PREF:a@x\nEND:VCARD\nBEGIN:VCARD\nFN:Ann (2)\nEMAIL;PREF:a@x\n"
               u"END:VCARD\nBEGIN:VCARD\nFN:ANN\nEMAIL;PREF:A@X\nEND:VCARD\n"_qs
            << QStringList{u"dn: cn=Ann,mail=a@x\r\n"_qs, u"dn: cn=Ann (2),mail=a@x\r\n"_qs,
                           u"dn: cn=ANN (3),mail=A@X\r\n"_qs}
            << QStringList{};
        QTest::newRow("vCard of a card of an address alone")
            << Writer::VCard << u"g"_qs << u"BEGIN:VCARD\nVERSION:3.0\nADR:;;1-2;Town\nEND:VCARD\n"_qs
            << QStringList{u"\r\nFN:1-2 Town\r\nN:;;;;\r\nADR:;;1-2;Town;;;\r\n"_qs}
            << QStringList{u"1-2 Town\t名前\t（名前・メールアドレス・会社名・電話番号のないカード）"_qs};
        QTest::newRow("vCard controls")
            << Writer::VCard << u"g"_qs << note << QStringList{u"\r\nNOTE:abc\r\n"_qs} << noteReport;
        QTest::newRow("LDIF controls")
            << Writer::Ldif << u"g"_qs << note << QStringList{u"\r\ndescription: abc\r\n"_qs} << noteReport;
        QTest::newRow("Outlook CSV controls")
            << Writer::OutlookCsv << u"g"_qs << note << QStringList{u",abc,g\r\n"_qs} << noteReport;
        QTest::newRow("Google CSV controls") << Writer::GoogleCsv << u"g"_qs << note
                                             << QStringList{u",abc,* myContacts ::: g,"_qs} << noteReport;
        const QString bob = u"BEGIN:VCARD\nFN:B<01>ob\nEMAIL;PREF:bob@example.com\nEND:VCARD\n"_qs;
        QTest::newRow("CSV control in a name")
            << Writer::Csv << u"g"_qs << bob << QStringList{u"g,Bob,bob@example.com,,,\r\n"_qs}
            << QStringList{u"B<01>ob\t名前\tB<01>ob"_qs};
        const QStringList groupReport{u"Ann\tグループ\ta\\nb\\tc"_qs};
        const QString broken = u"a\r\nb\tc"_qs;
        QTest::newRow("CSV group on one line")
            << Writer::Csv << broken << ann + end << QStringList{u"a b c,Ann,"_qs} << groupReport;
        QTest::newRow("EdMax group on one line")
            << Writer::EdMax << broken << ann + end
            << QStringList{u"a b c\r\n\t\r\n"_qs, u"Ann\t\ta b c\r\n"_qs} << groupReport;
        QTest::newRow("Tsurukame group on one line")
            << Writer::Tsurukame << broken << ann + end << QStringList{u"G1 a b c\r\nAnn,"_qs} << groupReport;
    }

    void wellFormed() {
        QFETCH(Writer, writer);
        QFETCH(QString, folder);
        QFETCH(QString, card);
#ifdef Q_OS_WIN
        if (folder.contains(u'\n')) {
            QSKIP("no folder name on Windows holds a line break");
        }
#endif
        WorkDb w;
        importCards(w, folder, withControls(card));
        const QString path = w.out(u"out"_qs);
        const qsizetype losses = write(writer, *w.db, path, u'1');
        const bool cp932 = writer == Writer::Csv || writer == Writer::EdMax || writer == Writer::Tsurukame;
        const QString text = cp932 ? zt::cp932::decode(fileBytes(path)) : QString::fromUtf8(fileBytes(path));
        QFETCH(QStringList, texts);
        for (const QString& expected : texts) {
            QVERIFY2(text.contains(expected), qPrintable(text));
        }
        for (const QChar c : text) {
            QVERIFY2(c >= u' ' ? c != QChar(0x7F) : c == u'\t' || c == u'\r' || c == u'\n',
                     qPrintable(QString::number(c.unicode(), 16)));
        }
        QStringList report = QString::fromUtf8(fileBytes(zt::reportPathFor(path))).split(u"\r\n"_qs);
        report = report.size() < 2 ? QStringList{} : report.mid(1, report.size() - 2);
        QTEST(report, "report");
        QCOMPARE(losses, report.size());
    }
};

QTEST_GUILESS_MAIN(TestWriters)
#include "tst_writers.moc"
