#include "formats/person_losses.h"

#include <QStringList>
#include <algorithm>
#include <initializer_list>

#include "card/property_families.h"
#include "formats/control_characters.h"

namespace zt {

using namespace Qt::StringLiterals;

QString nthItem(const QString& sort, qsizetype index) {
    return sort + u" ("_s + QString::number(index + 1) + u" 件目)"_s;
}

QString postalText(const PostalAddress& a) {
    QStringList parts{a.poBox, a.extended, a.street, a.locality, a.region, a.code, a.country};
    while (!parts.isEmpty() && parts.last().isEmpty()) {
        parts.removeLast();
    }
    return parts.join(u';');
}

namespace {

// Each value of the person that held a stray control, which the outputs leave
// out; as it was, with what the output shows of it beside. A name's parts
// come from its shown name unless the card gave them.
void reportStrayControls(LossReport& losses, const Person& p) {
    const auto check = [&](const QString& field, const QString& value) {
        if (holdsStrayControl(value)) {
            losses.add(p.shownName, field, value);
        }
    };
    // The item's name is made only for a value that holds one: every
    // person's every value passes here in each of the four writers.
    const auto checkAll = [&](const QString& sort, const QList<TypedValue>& values) {
        for (qsizetype i = 0; i < values.size(); ++i) {
            if (holdsStrayControl(values[i].value)) {
                losses.add(p.shownName, nthItem(sort, i), values[i].value);
            }
        }
    };
    check(u"名前"_s, p.shownName);
    if (p.namesFromCard) {
        check(u"姓"_s, p.familyName);
        check(u"名"_s, p.givenName);
        check(u"ミドルネーム"_s, p.middleName);
        check(u"敬称"_s, p.prefix);
        check(u"サフィックス"_s, p.suffix);
    }
    check(u"ふりがな"_s, p.phoneticFamily);
    check(u"ふりがな"_s, p.phoneticGiven);
    check(u"ニックネーム"_s, p.nickname);
    checkAll(u"メールアドレス"_s, p.emails);
    check(u"会社名"_s, p.company);
    check(u"部署名"_s, p.department);
    check(u"役職"_s, p.title);
    checkAll(u"電話"_s, p.phones);
    for (qsizetype i = 0; i < p.postalAddresses.size(); ++i) {
        const PostalAddress& a = p.postalAddresses[i];
        const std::initializer_list<QStringView> parts{a.poBox,  a.extended, a.street, a.locality,
                                                       a.region, a.code,     a.country};
        if (std::any_of(parts.begin(), parts.end(), holdsStrayControl)) {
            check(nthItem(u"住所"_s, i), postalText(a));
        }
    }
    checkAll(u"ホームページ"_s, p.webPages);
    check(u"メモ"_s, p.note);
    for (const QString& group : p.groups) {
        check(u"グループ"_s, group);
    }
}

}  // namespace

void reportUncarried(LossReport& losses, const Person& p, const UncarriedProperty* written) {
    if (p.nameless) {
        losses.add(p.shownName, u"名前"_s, u"（名前・メールアドレス・会社名・電話番号のないカード）"_s);
    }
    reportStrayControls(losses, p);
    for (const UncarriedProperty& property : p.uncarried) {
        if (&property == written) {
            continue;
        }
        losses.add(p.shownName, reportedName(property.name), property.value);
    }
}

}  // namespace zt
