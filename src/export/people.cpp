#include "export/people.h"

#include <QHash>
#include <algorithm>

namespace zt {

namespace {

bool isKanjiOrKana(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x3040 && u <= 0x30FF) || (u >= 0x3400 && u <= 0x4DBF) || (u >= 0x4E00 && u <= 0x9FFF) ||
           (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFF66 && u <= 0xFF9F);
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

// A pair as 出力情報 pairs rows: NULL is not the empty text.
struct Pair {
    FieldValue name;
    FieldValue address;
    bool operator==(const Pair&) const = default;
};

size_t qHash(const Pair& pair, size_t seed = 0) {
    return qHashMulti(seed, pair.name.value_or(QString()), pair.address.value_or(QString()),
                      pair.name.has_value(), pair.address.has_value());
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
        if (std::any_of(name.begin(), name.end(), isKanjiOrKana)) {
            return {before, after};
        }
        return {after, before};
    }
    return {name, QString()};
}

std::vector<Person> readPeople(Database& db) {
    Recordset rows = db.OpenRecordset(
        QStringLiteral("SELECT グループ, 名前, アドレス, 会社名, 部署名, 役職 FROM 出力情報"));
    enum { Group, Name, Address, Company, Department, Title };
    std::vector<Person> people;
    // A pair's rows need not be adjacent (a person in two groups comes once
    // per group, in stored order), so every person is gathered before the
    // first is written. Position in `people` + 1, 0 marking a pair not met.
    QHash<Pair, std::size_t> personOfPair;
    for (; !rows.Eof(); rows.MoveNext()) {
        const Pair pair{rows.Fields(Name), rows.Fields(Address)};
        std::size_t& slot = personOfPair[pair];
        if (slot == 0) {
            slot = people.size() + 1;
            Person& p = people.emplace_back();
            p.address = pair.address.value_or(QString());
            p.shownName = pair.name.value_or(QString());
            if (p.shownName.isEmpty()) {
                p.shownName = p.address;
            }
            const PersonName parts = splitName(p.shownName);
            p.familyName = parts.family;
            p.givenName = parts.given;
            p.company = rows.Text(Company);
            p.department = rows.Text(Department);
            p.title = rows.Text(Title);
        }
        // An empty group names no group, any more than NULL does.
        const QString group = rows.Text(Group);
        QStringList& groups = people[slot - 1].groups;
        if (!group.isEmpty() && !groups.contains(group)) {
            groups.append(group);
        }
    }
    return people;
}

}  // namespace zt
