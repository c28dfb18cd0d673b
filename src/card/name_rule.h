#pragma once

#include <QString>

// The name rule: a family and a given name from the one name a person is shown by.
namespace zt {

struct PersonName {
    QString family;
    QString given;
};

// The family and given name a shown name holds: around its one comma; else
// around its one space, the family name first when the name has any kanji or
// kana and last otherwise; else the whole name is the family name.
PersonName splitName(const QString& shownName);

// Family and given name joined so that splitName gives them back.
QString joinedName(const QString& family, const QString& given);

}  // namespace zt
