// The list of the people: its rows as the person outputs write them, the
// mark on those the loss reports name, the search, and the window's keys.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>

#include "test_support.h"
#include "windows/people_model.h"
#include "windows/people_window.h"

Q_DECLARE_METATYPE(zt::Person)

namespace {

using zt::Person;

// A person with the fields the rows below set; `more` fills in the rest.
Person person(const QString& name, const QStringList& emails = {}, const QStringList& phones = {}) {
    Person p;
    p.shownName = name;
    for (const QString& e : emails) {
        p.emails.append({e, {}});
    }
    for (const QString& t : phones) {
        p.phones.append({t, {}});
    }
    return p;
}

// A row as the list shows it: the columns joined by "|", then the losses.
QString shownRow(const PeopleModel& model, int row) {
    QStringList columns;
    for (int c = 0; c < PeopleModel::ColumnCount; ++c) {
        columns << model.data(model.index(row, c)).toString();
    }
    return columns.join(u'|') + u'\n' + model.data(model.index(row, 0), PeopleModel::LossesRole).toString();
}

// The people the search runs over.
const QList<Person>& searched() {
    static const QList<Person> people = [] {
        Person taro = person(u"山田 太郎"_qs, {u"Taro@Example.jp"_qs}, {u"03-1234-5678"_qs});
        taro.phoneticFamily = u"ヤマダ"_qs;
        taro.phoneticGiven = u"タロウ"_qs;
        taro.company = u"山田商事"_qs;
        Person hanako = person(u"佐藤 花子"_qs, {u"hanako@example.jp"_qs}, {u"(045)987-6543"_qs});
        hanako.phoneticFamily = u"さとう"_qs;
        Person ken = person(u"Ken Ito"_qs, {u"ken@example.com"_qs, u"ken.home@example.jp"_qs});
        ken.company = u"太郎商店"_qs;
        return QList<Person>{taro, hanako, ken};
    }();
    return people;
}

}  // namespace

class TestPeopleWindow : public GuiTest {
    Q_OBJECT
private slots:
    void init() { reset(); }

    void cleanup() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            delete w;
        }
    }

    // One person a row: mark, name, reading, e-mail addresses, phones,
    // company, groups; and on a second line what each output's report would
    // say of it, the outputs in the menu's order.
    void rows_data() {
        QTest::addColumn<Person>("person");
        QTest::addColumn<QString>("shown");
        Person plain = person(u"Taro"_qs, {u"taro@example.jp"_qs}, {u"03-1"_qs, u"090-2"_qs});
        plain.phones[0].types = QStringList{u"WORK"_qs};
        plain.phones[1].types = QStringList{u"CELL"_qs};
        plain.company = u"Acme"_qs;
        plain.groups = QStringList{u"友人"_qs, u"仕事"_qs};
        QTest::newRow("held whole") << plain << u"|Taro||taro@example.jp|03-1, 090-2|Acme|友人, 仕事\n"_qs;

        Person reading = person(u"山田"_qs);
        reading.phoneticFamily = u"やまだ"_qs;
        reading.phoneticGiven = u"たろう"_qs;
        QTest::newRow("a reading, which LDIF has no attribute for")
            << reading << u"！|山田|やまだ たろう||||\nThunderbird 用 LDIF 出力：ふりがな　やまだ たろう"_qs;

        QTest::newRow("four e-mail addresses: Outlook has three, LDIF two")
            << person(u"M"_qs, {u"a@x"_qs, u"b@x"_qs, u"c@x"_qs, u"d@x"_qs})
            << u"！|M||a@x, b@x, c@x, d@x|||\n"
               u"Outlook 用 CSV 出力：メールアドレス (4 件目)　d@x\n"
               u"Thunderbird 用 LDIF 出力：メールアドレス (3 件目)　c@x\n"
               u"Thunderbird 用 LDIF 出力：メールアドレス (4 件目)　d@x"_qs;

        Person photo = person(u"P"_qs);
        photo.uncarried.append({u"PHOTO"_qs, u"12 バイト"_qs});
        QTest::newRow("a photo, which no output carries")
            << photo
            << u"！|P|||||\nvCard 出力：写真　12 バイト\nOutlook 用 CSV 出力：写真　12 バイト\n"
               u"Thunderbird 用 LDIF 出力：写真　12 バイト\nGoogle 用 CSV 出力：写真　12 バイト"_qs;

        Person homes = person(u"H"_qs);
        homes.postalAddresses.append({u"私書箱1"_qs, {}, u"1-1"_qs, u"港区"_qs, {}, {}, {}, {u"HOME"_qs}});
        homes.postalAddresses.append({{}, {}, u"2-2"_qs, u"北区"_qs, {}, {}, {}, {u"HOME"_qs}});
        QTest::newRow("two home addresses and a PO box")
            << homes
            << u"！|H|||||\nOutlook 用 CSV 出力：住所 (2 件目)　;;2-2;北区\n"
               u"Thunderbird 用 LDIF 出力：住所 (2 件目)　;;2-2;北区"_qs;

        Person broken = person(u"A\nB"_qs, {u"a\u0001b@x"_qs});
        QTest::newRow("a line break shown as a space; a stray control reported by every output")
            << broken
            << u"！|A B||a\u0001b@x|||\n"
               u"vCard 出力：メールアドレス (1 件目)　a<01>b@x\n"
               u"Outlook 用 CSV 出力：メールアドレス (1 件目)　a<01>b@x\n"
               u"Thunderbird 用 LDIF 出力：メールアドレス (1 件目)　a<01>b@x\n"
               u"Google 用 CSV 出力：メールアドレス (1 件目)　a<01>b@x"_qs;
    }
    void rows() {
        QFETCH(Person, person);
        QFETCH(QString, shown);
        PeopleModel model;
        model.load(sourceOf({person}));
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(shownRow(model, 0), shown);
        QCOMPARE(model.markedCount(), shown.startsWith(u'！') ? 1 : 0);
    }

    // Every word typed must be in the name, the reading, an e-mail address or
    // a phone, whatever the case, the width and the kana.
    void search_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("shown");
        const QString taro = u"山田 太郎"_qs, hanako = u"佐藤 花子"_qs, ken = u"Ken Ito"_qs;
        QTest::newRow("nothing typed") << QString() << QStringList{taro, hanako, ken};
        QTest::newRow("spaces only") << u"  \u3000"_qs << QStringList{taro, hanako, ken};
        QTest::newRow("part of a name") << u"太郎"_qs << QStringList{taro};
        QTest::newRow("an address in another case") << u"TARO@example"_qs << QStringList{taro};
        QTest::newRow("full-width letters") << u"ｈａｎａｋｏ"_qs << QStringList{hanako};
        QTest::newRow("a katakana reading typed in hiragana") << u"やまだ"_qs << QStringList{taro};
        QTest::newRow("a hiragana reading typed in katakana") << u"サトウ"_qs << QStringList{hanako};
        QTest::newRow("half-width katakana") << u"ﾀﾛｳ"_qs << QStringList{taro};
        QTest::newRow("a phone's digits alone") << u"0312345678"_qs << QStringList{taro};
        QTest::newRow("a phone written otherwise") << u"045-987"_qs << QStringList{hanako};
        QTest::newRow("a phone as written") << u"(045)987-6543"_qs << QStringList{hanako};
        QTest::newRow("every word, in any field") << u"ken example.jp"_qs << QStringList{ken};
        QTest::newRow("words parted by an ideographic space") << u"山田\u3000taro"_qs << QStringList{taro};
        QTest::newRow("one word missing") << u"ken 花子"_qs << QStringList{};
        QTest::newRow("the company is not searched") << u"商"_qs << QStringList{};
        QTest::newRow("a part of the address") << u"example."_qs << QStringList{taro, hanako, ken};
    }
    void search() {
        QFETCH(QString, typed);
        QFETCH(QStringList, shown);
        PeopleModel model;
        model.load(sourceOf(searched()));
        model.setFilter(typed);
        QStringList names;
        for (int row = 0; row < model.rowCount(); ++row) {
            names << model.data(model.index(row, PeopleModel::Name)).toString();
        }
        QCOMPARE(names, shown);
        QCOMPARE(model.totalCount(), 3);

        // Rows that arrive later are searched as they come.
        model.append({PeopleModel::rowOf(searched()[0])});
        QCOMPARE(model.rowCount(), shown.size() + (shown.contains(searched()[0].shownName) ? 1 : 0));
        QCOMPARE(model.totalCount(), 4);
    }

    // Opened with the focus in the search field: typing narrows the list and
    // the count, the arrows move in the list and show what the reports would
    // say of the person, Esc leaves.
    void keyboard() {
        work->person("G", u"山田 太郎"_qs, u"taro@example.jp"_qs, "", "", "");
        work->person("G", u"佐藤 花子"_qs, u"hanako@example.jp"_qs, "", "", "");
        work->person("H", u"Ken Ito"_qs, u"ken@example.jp"_qs, "", "", "");
        QPointer<ZTAdrF09> window = new ZTAdrF09(*work->db);
        show(window);
        QCOMPARE(window->windowTitle(), u"人物一覧"_qs);
        QTRY_VERIFY(!window->isLoading());
        QCOMPARE(window->Count->text(), u"3 人中 3 人を表示"_qs);
        QCOMPARE(QApplication::focusWidget(), window->Search);

        QTest::keyClicks(window->Search, u"example"_qs);
        QCOMPARE(window->Count->text(), u"3 人中 3 人を表示"_qs);
        QTest::keyClicks(window->Search, u".jp h"_qs);
        QCOMPARE(window->Count->text(), u"3 人中 1 人を表示"_qs);
        QTest::keyClick(window->Search, Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), window->Search);
        QCOMPARE(window->List->currentIndex().row(), 0);
        QCOMPARE(
            window->Model->data(window->List->currentIndex().siblingAtColumn(PeopleModel::Name)).toString(),
            u"佐藤 花子"_qs);
        QCOMPARE(window->Losses->toPlainText(), QString());

        QTest::keyClick(window->Search, Qt::Key_Escape);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(window.isNull());
    }
};

QTEST_MAIN(TestPeopleWindow)
#include "tst_people_window.moc"
