#include "card/person.h"

#include <cstdio>

namespace zt {

using namespace Qt::StringLiterals;

PhoneKind phoneKind(const TypedValue& phone) {
    const QStringList& t = phone.types;
    if (t.contains(u"FAX"_s)) {
        return t.contains(u"HOME"_s) ? PhoneKind::HomeFax : PhoneKind::WorkFax;
    }
    if (t.contains(u"CELL"_s)) {
        return PhoneKind::Mobile;
    }
    if (t.contains(u"PAGER"_s)) {
        return PhoneKind::Pager;
    }
    if (t.contains(u"WORK"_s)) {
        return PhoneKind::Work;
    }
    return t.contains(u"HOME"_s) ? PhoneKind::Home : PhoneKind::Other;
}

PlaceKind placeKind(const QStringList& types) {
    if (types.contains(u"WORK"_s)) {
        return PlaceKind::Work;
    }
    return types.contains(u"HOME"_s) ? PlaceKind::Home : PlaceKind::Other;
}

QString birthdayText(const QDate& birthday, const char* format) {
    if (!birthday.isValid()) {
        return QString();
    }
    char text[32];
    std::snprintf(text, sizeof text, format, birthday.year(), birthday.month(), birthday.day());
    return QString::fromLatin1(text);
}

}  // namespace zt
