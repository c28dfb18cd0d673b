// The person writers (vCard, Outlook CSV, LDIF, Google CSV): every file of a
// book against tests/data, and the cells and slots a person's values take.
#include "formats/google_csv_writer.h"
#include "formats/ldif_writer.h"
#include "formats/outlook_csv_writer.h"
#include "formats/person_report.h"
#include "formats/vcard_writer.h"
#include "import/address_book_import.h"
#include "people/people_reader.h"
#include "platform/cp932.h"
#include "platform/text_file_writer.h"
#include "test_support.h"

using Write = qsizetype (*)(const zt::PersonSource&, const QString&);
Q_DECLARE_METATYPE(Write)
Q_DECLARE_METATYPE(zt::Person)

namespace {

// RFC 4180 read strictly: a quote opens a field or stands doubled inside one,
// and only CR LF outside quotes ends a record. Anything else fails the test.
QList<QStringList> strictCsv(const QString& text) {
    QList<QStringList> records{{QString()}};
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        QString& field = records.last().last();
        if (quoted) {
            if (c != u'"') {
                field += c;
            } else if (i + 1 < text.size() && text[i + 1] == u'"') {
                field += c;
                ++i;
            } else {
                quoted = false;
                if (i + 1 < text.size() && text[i + 1] != u',' && text[i + 1] != u'\r') {
                    qWarning("text after a closing quote at %lld", i);
                    return {};
                }
            }
        } else if (c == u'"' && field.isEmpty()) {
            quoted = true;
        } else if (c == u',') {
            records.last() << QString();
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            records << QStringList{QString()};
            ++i;
        } else if (c == u'"' || c == u'\r' || c == u'\n') {
            qWarning("stray quote or line break at %lld", i);
            return {};
        } else {
            field += c;
        }
    }
    if (quoted || records.last() != QStringList{QString()}) {
        return {};  // an open quote, or no CR LF after the last record
    }
    records.removeLast();
    return records;
}

template <zt::OutlookLayout layout>
qsizetype writeOutlook(const zt::PersonSource& people, const QString& path) {
    return zt::writeOutlookCsv(people, {path, zt::kOutlookCsvOutput.toString(), {}}, layout);
}
// The writers as the rows name them, their reports headed as the golden files are.
qsizetype vcard(const zt::PersonSource& people, const QString& path) {
    return zt::writeVCard(people, {path, zt::kVCardOutput.toString(), {}});
}
qsizetype ldif(const zt::PersonSource& people, const QString& path) {
    return zt::writeLdif(people, {path, zt::kLdifOutput.toString(), {}});
}
qsizetype google(const zt::PersonSource& people, const QString& path) {
    return zt::writeGoogleCsv(people, {path, zt::kGoogleCsvOutput.toString(), {}});
}

// The header of Outlook for Windows' own Japanese export, as it spells it.
const QString kJapaneseHeader =
    u"肩書き,名,ミドル ネーム,姓,敬称,会社名,部署,役職,番地 (会社),住所 2 (会社),"
    u"住所 3 (会社),市町村 (会社),都道府県 (会社),郵便番号 (会社),"
    u"国 (会社)/地域,番地 (自宅),住所 2 (自宅),住所 3 (自宅),市町村 (自宅),"
    u"都道府県 (自宅),郵便番号 (自宅),国 (自宅)/地域,番地 (その他),"
    u"住所 2 (その他),住所 3 (その他),市町村 (その他),都道府県 (その他),"
    u"郵便番号 (その他),国 (その他)/地域,秘書の電話,会社 FAX,会社電話,会社電話 2,"
    u"コールバック,自動車電話,会社代表電話,自宅 FAX,自宅電話,自宅電話 2,ISDN,"
    u"携帯電話,その他の FAX,その他の電話,ポケットベル,通常の電話,無線電話,TTY/TDD,"
    u"テレックス,ID 番号,Web ページ,アカウント,イニシャル,インターネット空き時間情報,"
    u"キーワード,その他住所私書箱,ディレクトリ サーバー,プライベート,マネージャー,メモ,"
    u"ユーザー 1,ユーザー 2,ユーザー 3,ユーザー 4,会社 ID,会社住所私書箱,"
    u"会社名フリガナ,記念日,経費情報,言語,参照事項,子供,支払い条件,事業所,自宅住所私書箱,"
    u"趣味,場所,職業,姓フリガナ,性別,誕生日,電子メール アドレス,電子メールの種類,"
    u"電子メール表示名,電子メール 2 アドレス,電子メール 2 の種類,電子メール 2 表示名,"
    u"電子メール 3 アドレス,電子メール 3 の種類,電子メール 3 表示名,配偶者,秘書の氏名,"
    u"秘密度,分類,名前フリガナ,優先度"_qs;

// The CP932 text of `bytes`, or nothing when any of them is not CP932 as it
// stands: bytes that read as no character, or that would be written back otherwise.
std::optional<QString> strictCp932(const QByteArray& bytes) {
    const QString text = zt::cp932::decode(bytes);
    if (text.contains(QChar::ReplacementCharacter) || zt::cp932::encode(text) != bytes) {
        return std::nullopt;
    }
    return text;
}

zt::Person person(const QString& shown) {
    zt::Person p;
    p.shownName = shown;
    p.uid = QUuid(u"00000000-0000-5000-8000-000000000001"_qs);
    return p;
}

}  // namespace

class TestPersonWriters : public GuiTest {
    Q_OBJECT
private slots:
    void init() { reset(); }

    void files_data() {
        QTest::addColumn<Write>("write");
        QTest::addColumn<QString>("rows");
        const std::pair<const char*, Write> writers[] = {{"vcf", vcard},
                                                         {"csv", writeOutlook<zt::OutlookLayout::New>},
                                                         {"ldif", ldif},
                                                         {"google.csv", google}};
        for (const auto& [extension, write] : writers) {
            for (const char* rows : {"vcard_worked_example", "csv_worked_example", "people_hostile",
                                     "people_empty", "full_cards"}) {
                QTest::addRow("%s.%s", rows, extension) << write << QString::fromLatin1(rows);
            }
        }
        QTest::newRow("full_cards.windows.csv")
            << Write(writeOutlook<zt::OutlookLayout::Windows>) << u"full_cards"_qs;
    }
    void files() {
        QFETCH(Write, write);
        QFETCH(QString, rows);
        if (const QString book = testData(u"books/"_qs + rows); QFileInfo(book).isDir()) {
            zt::importAddressBook(*work->db, book);
        } else {
            storeRows(*work, rows);
        }
        compareOutput(work->outDir(), QString::fromLatin1(QTest::currentDataTag()),
                      [&](const QString& path) { return write(zt::peopleOf(*work->db), path); });
    }

    // A phone of no kind Thunderbird names takes the work number where that is
    // free, else the home one; only what finds neither is reported.
    void ldifPhoneSlots_data() {
        QTest::addColumn<zt::Person>("person");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("losses");
        const auto with = [](QList<zt::TypedValue> phones) {
            zt::Person p = person(u"T"_qs);
            p.phones = phones;
            return p;
        };
        const QStringList work{u"WORK"_qs}, home{u"HOME"_qs};
        QTest::newRow("alone: the work number")
            << with({{u"03-1"_qs, {}}}) << QStringList{u"telephoneNumber: 03-1"_qs} << QStringList{};
        QTest::newRow("after a work phone: the home number")
            << with({{u"03-1"_qs, work}, {u"03-2"_qs, {u"VOICE"_qs}}})
            << QStringList{u"telephoneNumber: 03-1"_qs, u"homePhone: 03-2"_qs} << QStringList{};
        QTest::newRow("before a home phone: the work number")
            << with({{u"03-1"_qs, {}}, {u"03-2"_qs, home}})
            << QStringList{u"telephoneNumber: 03-1"_qs, u"homePhone: 03-2"_qs} << QStringList{};
        QTest::newRow("both taken: reported")
            << with({{u"03-1"_qs, {u"CAR"_qs}}, {u"03-2"_qs, home}, {u"03-3"_qs, work}})
            << QStringList{u"telephoneNumber: 03-3"_qs, u"homePhone: 03-2"_qs}
            << QStringList{u"電話 (1 件目)\t03-1"_qs};
    }
    void ldifPhoneSlots() {
        QFETCH(zt::Person, person);
        QFETCH(QStringList, lines);
        QFETCH(QStringList, losses);
        zt::writeLdif(sourceOf({person}), {work->out(u"t.ldif"_qs), {}, {}});
        const QStringList written = QString::fromUtf8(fileBytes(work->out(u"t.ldif"_qs))).split(u"\r\n"_qs);
        QStringList numbers;
        for (const QString& line : written) {
            if (line.startsWith(u"telephoneNumber: "_qs) || line.startsWith(u"homePhone: "_qs)) {
                numbers << line;
            }
        }
        QCOMPARE(numbers, lines);
        QStringList listed;
        for (const zt::ReportedLoss& loss : zt::reportedLosses(person)) {
            if (loss.output == zt::kLdifOutput) {
                listed << loss.field + u'\t' + loss.value;
            }
        }
        QCOMPARE(listed, losses);
    }

    // Outlook for Windows' file read back strictly (CP932 without a byte-order
    // mark, its own header, every row as wide): a person in, the named cells
    // out, and the report's fields and values, the people list's too.
    void outlookCells_data() {
        QTest::addColumn<zt::Person>("person");
        QTest::addColumn<QStringList>("cells");   // "column=value"
        QTest::addColumn<QStringList>("losses");  // "field<TAB>value", in the report's order
        zt::Person names = person(u"Mr. Ken J. Ito Jr."_qs);
        names.prefix = u"Mr."_qs;
        names.givenName = u"Ken"_qs;
        names.middleName = u"J."_qs;
        names.familyName = u"Ito"_qs;
        names.suffix = u"Jr."_qs;
        names.phoneticFamily = u"いとう"_qs;
        names.phoneticGiven = u"けん"_qs;
        names.nickname = u"Kenny"_qs;
        QTest::newRow("names and readings; no column for a nickname")
            << names << QStringList{u"肩書き=Mr."_qs,       u"名=Ken"_qs,   u"ミドル ネーム=J."_qs,
                                    u"姓=Ito"_qs,           u"敬称=Jr."_qs, u"姓フリガナ=いとう"_qs,
                                    u"名前フリガナ=けん"_qs}
            << QStringList{u"ニックネーム\tKenny"_qs};

        zt::Person phones = person(u"P"_qs);
        const auto tel = [](const char* number, QStringList types) {
            return zt::TypedValue{QString::fromLatin1(number), types};
        };
        phones.phones = {tel("1", {u"WORK"_qs}),
                         tel("2", {u"WORK"_qs, u"VOICE"_qs}),
                         tel("3", {u"WORK"_qs}),
                         tel("4", {u"HOME"_qs}),
                         tel("5", {u"HOME"_qs}),
                         tel("6", {u"CELL"_qs}),
                         tel("7", {u"FAX"_qs}),
                         tel("8", {u"HOME"_qs, u"FAX"_qs}),
                         tel("9", {u"PAGER"_qs}),
                         tel("10", {u"CAR"_qs}),
                         tel("11", {u"WORK"_qs, u"ISDN"_qs}),
                         tel("12", {})};
        QTest::newRow("each phone kind in its column; the third work phone has none")
            << phones << QStringList{u"会社電話=1"_qs,   u"会社電話 2=2"_qs,   u"自宅電話=4"_qs,
                                     u"自宅電話 2=5"_qs, u"携帯電話=6"_qs,     u"会社 FAX=7"_qs,
                                     u"自宅 FAX=8"_qs,   u"ポケットベル=9"_qs, u"自動車電話=10"_qs,
                                     u"ISDN=11"_qs,      u"その他の電話=12"_qs}
            << QStringList{u"電話 (3 件目)\t3"_qs};

        zt::Person places = person(u"A"_qs);
        places.postalAddresses = {
            {u"私書箱 1"_qs,
             u"ビル 2F"_qs,
             u"丸の内 1-1"_qs,
             u"千代田区"_qs,
             u"東京都"_qs,
             u"100-0005"_qs,
             u"日本"_qs,
             {u"WORK"_qs}},
            {u"私書箱 2"_qs,
             {},
             u"南青山 1-2"_qs,
             u"港区"_qs,
             u"東京都"_qs,
             u"107-0062"_qs,
             {},
             {u"HOME"_qs}},
            {u"私書箱 3"_qs, {}, u"梅田 9"_qs, u"大阪市"_qs, u"大阪府"_qs, u"530-0001"_qs, {}, {}},
            {{}, {}, u"北 2"_qs, {}, {}, {}, {}, {u"HOME"_qs}}};
        QTest::newRow("each address kind with its box; a second home address has none")
            << places
            << QStringList{u"番地 (会社)=丸の内 1-1\r\nビル 2F"_qs,
                           u"市町村 (会社)=千代田区"_qs,
                           u"都道府県 (会社)=東京都"_qs,
                           u"郵便番号 (会社)=100-0005"_qs,
                           u"国 (会社)/地域=日本"_qs,
                           u"会社住所私書箱=私書箱 1"_qs,
                           u"番地 (自宅)=南青山 1-2"_qs,
                           u"市町村 (自宅)=港区"_qs,
                           u"郵便番号 (自宅)=107-0062"_qs,
                           u"自宅住所私書箱=私書箱 2"_qs,
                           u"番地 (その他)=梅田 9"_qs,
                           u"都道府県 (その他)=大阪府"_qs,
                           u"その他住所私書箱=私書箱 3"_qs,
                           u"住所 2 (会社)="_qs}
            << QStringList{u"住所 (4 件目)\t;;北 2"_qs};

        zt::Person mails = person(u"M"_qs);
        mails.emails = {{u"a@x"_qs, {}}, {u"b@x"_qs, {u"HOME"_qs}}, {u"c@x"_qs, {}}, {u"d@x"_qs, {}}};
        mails.webPages = {{u"http://home/"_qs, {u"HOME"_qs}}, {u"http://other/"_qs, {u"HOME"_qs}}};
        QTest::newRow("three e-mail addresses; a home page in the one web page column")
            << mails
            << QStringList{u"電子メール アドレス=a@x"_qs, u"電子メール 2 アドレス=b@x"_qs,
                           u"電子メール 3 アドレス=c@x"_qs, u"Web ページ=http://home/"_qs}
            << QStringList{u"メールアドレス (4 件目)\td@x"_qs, u"ホームページ (2 件目)\thttp://other/"_qs};

        zt::Person dates = person(u"D"_qs);
        dates.birthday = QDate(1970, 4, 1);
        dates.uncarried = {{u"X-ANNIVERSARY"_qs, u"2001-11-03"_qs}, {u"ANNIVERSARY"_qs, u"20020101"_qs}};
        dates.note = u"一行目\n二行目"_qs;
        QTest::newRow("birthday, the first anniversary, the note")
            << dates
            << QStringList{u"誕生日=1970/4/1"_qs, u"記念日=2001/11/3"_qs, u"メモ=一行目\r\n二行目"_qs}
            << QStringList{u"ANNIVERSARY\t20020101"_qs};

        zt::Person groups = person(u"G"_qs);
        groups.groups = {u"友人;旧"_qs, u"仕事"_qs};
        groups.company = u"山田商事"_qs;
        groups.department = u"営業部"_qs;
        groups.title = u"課長"_qs;
        QTest::newRow("groups as categories; the company")
            << groups
            << QStringList{u"分類=友人；旧;仕事"_qs, u"会社名=山田商事"_qs, u"部署=営業部"_qs,
                           u"役職=課長"_qs}
            << QStringList{};

        zt::Person lacking = person(u"𠮷野"_qs);
        lacking.familyName = u"𠮷野"_qs;
        lacking.note = u"①〜②"_qs;
        QTest::newRow("a character CP932 lacks: written \"?\", reported under its column")
            << lacking << QStringList{u"姓=?野"_qs, u"メモ=①～②"_qs} << QStringList{u"姓\t𠮷野"_qs};
    }
    void outlookCells() {
        QFETCH(zt::Person, person);
        QFETCH(QStringList, cells);
        QFETCH(QStringList, losses);
        const QString path = work->out(u"o.csv"_qs);
        zt::writeOutlookCsv(sourceOf({person}), {path, {}, {}}, zt::OutlookLayout::Windows);
        const std::optional<QString> text = strictCp932(fileBytes(path));
        QVERIFY(text && !text->startsWith(u'\uFEFF'));
        const QList<QStringList> rows = strictCsv(*text);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].join(u','), kJapaneseHeader);
        QCOMPARE(rows[1].size(), rows[0].size());
        for (const QString& cell : cells) {
            const QString name = cell.section(u'=', 0, 0);
            QVERIFY2(rows[0].contains(name), qPrintable(name));
            QCOMPARE(name + u'=' + rows[1][rows[0].indexOf(name)], cell);
        }
        QStringList reported = QString::fromUtf8(fileBytes(zt::reportPathFor(path))).split(u"\r\n"_qs);
        reported = reported.mid(1, std::max<qsizetype>(reported.size() - 2, 0));
        QStringList listed;
        for (const zt::ReportedLoss& loss : zt::reportedLosses(person)) {
            if (loss.output == zt::kOutlookCsvOutput) {
                listed << loss.field + u'\t' + loss.value;
            }
        }
        for (QString& line : reported) {
            line = line.section(u'\t', 1);
        }
        QCOMPARE(reported, losses);
        QCOMPARE(listed, losses);
    }
};

QTEST_MAIN(TestPersonWriters)
#include "tst_person_writers.moc"
