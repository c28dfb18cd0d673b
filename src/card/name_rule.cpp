#include "card/name_rule.h"

#include <QStringView>
#include <algorithm>

namespace zt {

namespace {

bool isKanjiOrKana(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x3040 && u <= 0x30FF) || (u >= 0x3400 && u <= 0x4DBF) || (u >= 0x4E00 && u <= 0x9FFF) ||
           (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFF66 && u <= 0xFF9F);
}

bool hasKanjiOrKana(QStringView text) {
    return std::any_of(text.begin(), text.end(), isKanjiOrKana);
}

// The one separator of `text` among `separators`, or -1 when there is none or
// more than one.
qsizetype onlySeparator(QStringView text, QStringView separators) {
    const auto isSeparator = [separators](QChar c) { return separators.contains(c); };
    const auto first = std::find_if(text.begin(), text.end(), isSeparator);
    if (first == text.end() || std::find_if(first + 1, text.end(), isSeparator) != text.end()) {
        return -1;
    }
    return first - text.begin();
}

}  // namespace

PersonName splitName(const QString& shownName) {
    // Blanks at the ends carry no part of a name; left in, " Ken Ito" would
    // count two spaces and stay whole.
    const QString name = shownName.trimmed();
    if (const qsizetype comma = onlySeparator(name, u",，"); comma >= 0) {
        PersonName parts{name.left(comma).trimmed(), name.mid(comma + 1).trimmed()};
        if (!parts.family.isEmpty() && !parts.given.isEmpty()) {
            return parts;
        }
    }
    if (const qsizetype space = onlySeparator(name, u" \u3000"); space >= 0) {
        const QString before = name.left(space);
        const QString after = name.mid(space + 1);
        if (hasKanjiOrKana(name)) {
            return {before, after};
        }
        return {after, before};
    }
    return {name, QString()};
}

QString joinedName(const QString& family, const QString& given) {
    if (family.isEmpty() || given.isEmpty()) {
        return family + given;
    }
    return hasKanjiOrKana(family + given) ? family + u' ' + given : given + u' ' + family;
}

}  // namespace zt
