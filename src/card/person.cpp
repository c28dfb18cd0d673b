#include "card/person.h"

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

}  // namespace zt
