#include "formats/person_losses.h"

#include <QStringList>

#include "card/property_families.h"

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
    for (const UncarriedProperty& property : p.uncarried) {
        losses.add(p.shownName, reportedName(property.name), property.value);
    }
}

}  // namespace zt
