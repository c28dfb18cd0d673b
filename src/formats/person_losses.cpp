#include "formats/person_losses.h"

#include <QHash>
#include <QStringList>

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

void reportUncarried(LossReport& losses, const Person& p) {
    static const QHash<QString, QString> kKnownAs{{u"PHOTO"_s, u"写真"_s},
                                                  {u"LOGO"_s, u"ロゴ"_s},
                                                  {u"KEY"_s, u"暗号鍵"_s},
                                                  {u"LABEL"_s, u"宛名ラベル"_s},
                                                  {u"ROLE"_s, u"役割"_s}};
    for (const UncarriedProperty& property : p.uncarried) {
        losses.add(p.shownName, kKnownAs.value(property.name, property.name), property.value);
    }
}

}  // namespace zt
