#include "formats/outlook_csv_writer.h"

#include <QDate>
#include <QStringList>
#include <array>
#include <vector>

#include "card/card_person.h"
#include "card/person.h"
#include "formats/control_characters.h"
#include "formats/csv_writer.h"
#include "formats/loss_report.h"
#include "formats/person_losses.h"
#include "platform/text_file_writer.h"

namespace zt {

using namespace Qt::StringLiterals;

namespace {

// The fields the per-family code fills: first those the English layout
// writes, in its column order, then those only the Japanese one has a column
// for. A place's five address fields stand together, the places in
// PlaceKind's order.
enum Field {
    Given,
    Middle,
    Family,
    Prefix,
    Suffix,
    Nickname,
    GivenReading,
    FamilyReading,
    Email,
    Email2,
    Email3,
    HomePhone,
    HomePhone2,
    WorkPhone,
    WorkPhone2,
    MobilePhone,
    OtherPhone,
    Pager,
    WorkFax,
    HomeFax,
    Company,
    Department,
    JobTitle,
    WorkStreet,
    WorkCity,
    WorkState,
    WorkCode,
    WorkCountry,
    HomeStreet,
    HomeCity,
    HomeState,
    HomeCode,
    HomeCountry,
    OtherStreet,
    OtherCity,
    OtherState,
    OtherCode,
    OtherCountry,
    WorkPage,
    HomePage,
    Birthday,
    Notes,
    Categories,
    kEnglishFields,  // the English layout's columns end here
    CarPhone = kEnglishFields,
    Isdn,
    WorkBox,
    HomeBox,
    OtherBox,
    Anniversary,
    None,  // an Outlook field no card value goes to
    kFields = None,
};

struct Column {
    Field field;
    const char16_t* japanese;  // none: the Japanese layout has no column for it
    const char* english;       // none: the English layout writes no column for it
};

// Outlook's fields as each layout's header names them, in the Japanese
// layout's column order, which is Outlook's own export's: Outlook finds a
// column by its header alone, so each name is its, to the space.
const Column kColumns[] = {
    {Prefix, u"肩書き", "Title"},
    {Given, u"名", "First Name"},
    {Middle, u"ミドル ネーム", "Middle Name"},
    {Family, u"姓", "Last Name"},
    {Suffix, u"敬称", "Suffix"},
    {Company, u"会社名", "Company"},
    {Department, u"部署", "Department"},
    {JobTitle, u"役職", "Job Title"},
    {WorkStreet, u"番地 (会社)", "Business Street"},
    {None, u"住所 2 (会社)", nullptr},
    {None, u"住所 3 (会社)", nullptr},
    {WorkCity, u"市町村 (会社)", "Business City"},
    {WorkState, u"都道府県 (会社)", "Business State"},
    {WorkCode, u"郵便番号 (会社)", "Business Postal Code"},
    {WorkCountry, u"国 (会社)/地域", "Business Country/Region"},
    {HomeStreet, u"番地 (自宅)", "Home Street"},
    {None, u"住所 2 (自宅)", nullptr},
    {None, u"住所 3 (自宅)", nullptr},
    {HomeCity, u"市町村 (自宅)", "Home City"},
    {HomeState, u"都道府県 (自宅)", "Home State"},
    {HomeCode, u"郵便番号 (自宅)", "Home Postal Code"},
    {HomeCountry, u"国 (自宅)/地域", "Home Country/Region"},
    {OtherStreet, u"番地 (その他)", "Other Street"},
    {None, u"住所 2 (その他)", nullptr},
    {None, u"住所 3 (その他)", nullptr},
    {OtherCity, u"市町村 (その他)", "Other City"},
    {OtherState, u"都道府県 (その他)", "Other State"},
    {OtherCode, u"郵便番号 (その他)", "Other Postal Code"},
    {OtherCountry, u"国 (その他)/地域", "Other Country/Region"},
    {None, u"秘書の電話", nullptr},
    {WorkFax, u"会社 FAX", "Business Fax"},
    {WorkPhone, u"会社電話", "Business Phone"},
    {WorkPhone2, u"会社電話 2", "Business Phone 2"},
    {None, u"コールバック", nullptr},
    {CarPhone, u"自動車電話", nullptr},
    {None, u"会社代表電話", nullptr},
    {HomeFax, u"自宅 FAX", "Home Fax"},
    {HomePhone, u"自宅電話", "Home Phone"},
    {HomePhone2, u"自宅電話 2", "Home Phone 2"},
    {Isdn, u"ISDN", nullptr},
    {MobilePhone, u"携帯電話", "Mobile Phone"},
    {None, u"その他の FAX", nullptr},
    {OtherPhone, u"その他の電話", "Other Phone"},
    {Pager, u"ポケットベル", "Pager"},
    {None, u"通常の電話", nullptr},
    {None, u"無線電話", nullptr},
    {None, u"TTY/TDD", nullptr},
    {None, u"テレックス", nullptr},
    {None, u"ID 番号", nullptr},
    {WorkPage, u"Web ページ", "Web Page"},
    {None, u"アカウント", nullptr},
    {None, u"イニシャル", nullptr},
    {None, u"インターネット空き時間情報", nullptr},
    {None, u"キーワード", nullptr},
    {OtherBox, u"その他住所私書箱", nullptr},
    {None, u"ディレクトリ サーバー", nullptr},
    {None, u"プライベート", nullptr},
    {None, u"マネージャー", nullptr},
    {Notes, u"メモ", "Notes"},
    {None, u"ユーザー 1", nullptr},
    {None, u"ユーザー 2", nullptr},
    {None, u"ユーザー 3", nullptr},
    {None, u"ユーザー 4", nullptr},
    {None, u"会社 ID", nullptr},
    {WorkBox, u"会社住所私書箱", nullptr},
    {None, u"会社名フリガナ", nullptr},
    {Anniversary, u"記念日", nullptr},
    {None, u"経費情報", nullptr},
    {None, u"言語", nullptr},
    {None, u"参照事項", nullptr},
    {None, u"子供", nullptr},
    {None, u"支払い条件", nullptr},
    {None, u"事業所", nullptr},
    {HomeBox, u"自宅住所私書箱", nullptr},
    {None, u"趣味", nullptr},
    {None, u"場所", nullptr},
    {None, u"職業", nullptr},
    {FamilyReading, u"姓フリガナ", "Surname Yomi"},
    {None, u"性別", nullptr},
    {Birthday, u"誕生日", "Birthday"},
    {Email, u"電子メール アドレス", "E-mail Address"},
    {None, u"電子メールの種類", nullptr},
    {None, u"電子メール表示名", nullptr},
    {Email2, u"電子メール 2 アドレス", "E-mail 2 Address"},
    {None, u"電子メール 2 の種類", nullptr},
    {None, u"電子メール 2 表示名", nullptr},
    {Email3, u"電子メール 3 アドレス", "E-mail 3 Address"},
    {None, u"電子メール 3 の種類", nullptr},
    {None, u"電子メール 3 表示名", nullptr},
    {None, u"配偶者", nullptr},
    {None, u"秘書の氏名", nullptr},
    {None, u"秘密度", nullptr},
    {Categories, u"分類", "Categories"},
    {GivenReading, u"名前フリガナ", "Given Yomi"},
    {None, u"優先度", nullptr},
    {Nickname, nullptr, "Nickname"},
    {HomePage, nullptr, "Personal Web Page"},
};

using Cells = std::array<QString, kFields>;

// Where one family's values go: the fields of each kind of value, by the
// kind's number, and the kind whose fields are the family's general ones.
struct Slots {
    std::vector<std::vector<Field>> byKind;
    std::size_t general;
};

// Each of `values` in the next free field of its kind; one of a kind without
// fields of its own in a general field left free once every kind has taken
// its own. What finds no field goes to the report as the n-th of its `sort`,
// in card order.
template <class KindOf>
void place(Cells& cells, const QList<TypedValue>& values, KindOf kindOf, const Slots& room, const Person& p,
           const QString& sort, LossReport& losses) {
    std::vector<std::size_t> used(room.byKind.size());
    std::vector<bool> placed(static_cast<std::size_t>(values.size()));
    for (const bool ownPass : {true, false}) {
        for (qsizetype i = 0; i < values.size(); ++i) {
            const auto kind = static_cast<std::size_t>(kindOf(values[i]));
            const bool own = !room.byKind[kind].empty();
            const std::size_t target = own ? kind : room.general;
            if (own == ownPass && used[target] < room.byKind[target].size()) {
                cells[room.byKind[target][used[target]++]] = values[i].value;
                placed[static_cast<std::size_t>(i)] = true;
            }
        }
    }
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (!placed[static_cast<std::size_t>(i)]) {
            losses.add(p.shownName, nthItem(sort, i), values[i].value);
        }
    }
}

void addNames(Cells& cells, const Person& p, OutlookLayout layout, LossReport& losses) {
    cells[Given] = p.givenName;
    cells[Middle] = p.middleName;
    cells[Family] = p.familyName;
    cells[Prefix] = p.prefix;
    cells[Suffix] = p.suffix;
    cells[GivenReading] = p.phoneticGiven;
    cells[FamilyReading] = p.phoneticFamily;
    if (layout == OutlookLayout::New) {
        cells[Nickname] = p.nickname;
    } else if (!p.nickname.isEmpty()) {
        losses.add(p.shownName, u"ニックネーム"_s, p.nickname);
    }
}

void addEmails(Cells& cells, const Person& p, LossReport& losses) {
    place(
        cells, p.emails, [](const TypedValue&) { return 0; }, {{{Email, Email2, Email3}}, 0}, p,
        u"メールアドレス"_s, losses);
}

// PhoneKind's kinds, then the two only the Japanese layout tells apart.
enum { CarKind = 7, IsdnKind = 8 };

void addPhones(Cells& cells, const Person& p, OutlookLayout layout, LossReport& losses) {
    const Slots room{{{WorkPhone, WorkPhone2},
                      {HomePhone, HomePhone2},
                      {MobilePhone},
                      {WorkFax},
                      {HomeFax},
                      {Pager},
                      {OtherPhone},
                      {CarPhone},
                      {Isdn}},
                     static_cast<std::size_t>(PhoneKind::Other)};
    if (layout == OutlookLayout::New) {
        place(cells, p.phones, phoneKind, room, p, u"電話"_s, losses);
        return;
    }
    // A car phone or an ISDN line may be marked WORK or HOME as well; it has
    // a column of its own.
    place(
        cells, p.phones,
        [](const TypedValue& phone) {
            const PhoneKind kind = phoneKind(phone);
            if (kind == PhoneKind::Work || kind == PhoneKind::Home || kind == PhoneKind::Other) {
                if (phone.types.contains(u"CAR"_s)) {
                    return int(CarKind);
                }
                if (phone.types.contains(u"ISDN"_s)) {
                    return int(IsdnKind);
                }
            }
            return static_cast<int>(kind);
        },
        room, p, u"電話"_s, losses);
}

void addOrganization(Cells& cells, const Person& p) {
    cells[Company] = p.company;
    cells[Department] = p.department;
    cells[JobTitle] = p.title;
}

// The first address of each kind; the English layout has no column for a PO box.
void addPostalAddresses(Cells& cells, const Person& p, OutlookLayout layout, LossReport& losses) {
    std::array<bool, 3> taken{};
    for (qsizetype i = 0; i < p.postalAddresses.size(); ++i) {
        const PostalAddress& a = p.postalAddresses[i];
        const auto kind = static_cast<std::size_t>(placeKind(a.types));
        if (taken[kind]) {
            losses.add(p.shownName, nthItem(u"住所"_s, i), postalText(a));
            continue;
        }
        taken[kind] = true;
        const auto first = static_cast<std::size_t>(WorkStreet) + 5 * kind;
        cells[first] = a.street.isEmpty() || a.extended.isEmpty() ? a.street + a.extended
                                                                  : a.street + u"\r\n"_s + a.extended;
        cells[first + 1] = a.locality;
        cells[first + 2] = a.region;
        cells[first + 3] = a.code;
        cells[first + 4] = a.country;
        if (layout == OutlookLayout::Windows) {
            cells[WorkBox + kind] = a.poBox;
        } else if (!a.poBox.isEmpty()) {
            losses.add(p.shownName, u"私書箱"_s, a.poBox);
        }
    }
}

// The card's first anniversary that reads as a date: no output but the
// Japanese layout has a field for it, so it stays among what no output carries.
const UncarriedProperty* anniversary(const Person& p) {
    for (const UncarriedProperty& property : p.uncarried) {
        if ((property.name == u"ANNIVERSARY" || property.name == u"X-ANNIVERSARY") &&
            cardDate(property.value).isValid()) {
            return &property;
        }
    }
    return nullptr;
}

// Web pages, dates, notes and categories; and what the card holds that no
// output carries, but for what this layout does.
void addOthers(Cells& cells, const Person& p, OutlookLayout layout, LossReport& losses) {
    // A web page not marked HOME is work's. The Japanese layout has one
    // column for either, the work page's first.
    const std::vector<Field> homePages =
        layout == OutlookLayout::New ? std::vector<Field>{HomePage} : std::vector<Field>{};
    place(
        cells, p.webPages, [](const TypedValue& v) { return placeKind(v.types) == PlaceKind::Home; },
        {{{WorkPage}, homePages}, 0}, p, u"ホームページ"_s, losses);
    const auto date = [](const QDate& d) { return d.isValid() ? d.toString(u"yyyy/M/d") : QString(); };
    cells[Birthday] = date(p.birthday);
    const UncarriedProperty* held = layout == OutlookLayout::Windows ? anniversary(p) : nullptr;
    if (held != nullptr) {
        cells[Anniversary] = date(cardDate(held->value));
    }
    cells[Notes] = QString(p.note).replace(u'\n', u"\r\n"_s);
    // Outlook writes several categories so; within a group's name the
    // full-width form keeps it one category.
    QStringList categories;
    for (const QString& group : p.groups) {
        categories << QString(group).replace(u';', u'；');
    }
    cells[Categories] = categories.join(u';');
    reportUncarried(losses, p, held);
}

// A person's cells, and what they have no room for in `losses`.
Cells personCells(const Person& p, OutlookLayout layout, LossReport& losses) {
    Cells cells;
    addNames(cells, p, layout, losses);
    addEmails(cells, p, losses);
    addPhones(cells, p, layout, losses);
    addOrganization(cells, p);
    addPostalAddresses(cells, p, layout, losses);
    addOthers(cells, p, layout, losses);
    return cells;
}

QStringList header(OutlookLayout layout) {
    QStringList names;
    if (layout == OutlookLayout::Windows) {
        for (const Column& column : kColumns) {
            if (column.japanese != nullptr) {
                names << QString::fromUtf16(column.japanese);
            }
        }
        return names;
    }
    for (int field = 0; field < kEnglishFields; ++field) {
        for (const Column& column : kColumns) {
            if (column.field == field) {
                names << QString::fromLatin1(column.english);
            }
        }
    }
    return names;
}

// The cells in the layout's column order, each under its header name.
QStringList row(const Cells& cells, OutlookLayout layout) {
    if (layout == OutlookLayout::New) {
        return QStringList(cells.begin(), cells.begin() + kEnglishFields);
    }
    QStringList fields;
    for (const Column& column : kColumns) {
        if (column.japanese != nullptr) {
            fields << (column.field == None ? QString() : cells[column.field]);
        }
    }
    return fields;
}

// Each field CP932 cannot hold whole, under its column's name.
void reportUnencodable(const Person& p, const QStringList& fields, LossReport& losses) {
    const QStringList names = header(OutlookLayout::Windows);
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (!fields[i].isEmpty()) {
            losses.addUnencodable(p.shownName, names[i], withoutStrayControls(fields[i]));
        }
    }
}

}  // namespace

// Which value finds its columns full is decided while the row is filled, so
// the row is made and thrown away.
void reportOutlookLosses(const Person& p, OutlookLayout layout, LossReport& losses) {
    const Cells cells = personCells(p, layout, losses);
    if (layout == OutlookLayout::Windows) {
        reportUnencodable(p, row(cells, layout), losses);
    }
}

qsizetype writeOutlookCsv(const PersonSource& people, const OutputTarget& target, OutlookLayout layout) {
    TextFileWriter out(target.path);
    LossReport losses(target);
    const QString names = header(layout).join(u',');
    if (layout == OutlookLayout::Windows) {
        out.writeLine(names);
        people([&](const Person& p) {
            const QStringList fields = row(personCells(p, layout, losses), layout);
            if (out.writeLine(rfc4180Fields(fields)) > 0) {
                reportUnencodable(p, fields, losses);
            }
        });
    } else {
        // Excel and classic Outlook take a file without it for the ANSI code page.
        out.writeBytes("\xEF\xBB\xBF");
        out.writeBytes((names + u"\r\n"_s).toUtf8());
        people([&](const Person& p) {
            out.writeBytes((rfc4180Fields(row(personCells(p, layout, losses), layout)) + u"\r\n"_s).toUtf8());
        });
    }
    return losses.finish(out);
}

}  // namespace zt
