#pragma once

#include <QString>
#include <array>
#include <cstddef>

#include "db/database.h"

namespace zt {

// The positions of the named fields in a record set, looked up once when it is
// opened rather than by name for every value of every row.
template <std::size_t N>
std::array<int, N> fieldPositions(const Recordset& rs, const std::array<QString, N>& names) {
    std::array<int, N> positions{};
    for (std::size_t i = 0; i < N; ++i) {
        positions[i] = rs.FieldIndex(names[i]);  // a missing field is reported by the database layer
    }
    return positions;
}

// The fields of 出力情報, in the order the CSV and EdMax lines use them.
inline const std::array<QString, 6> kOutputFields{QStringLiteral("グループ"), QStringLiteral("名前"),
                                                  QStringLiteral("アドレス"), QStringLiteral("会社名"),
                                                  QStringLiteral("部署名"),   QStringLiteral("役職")};

// Whom a loss report names for an entry: its name, or its address when the
// name is empty.
inline QString entryShownName(const QString& name, const QString& address) {
    return name.isEmpty() ? address : name;
}

}  // namespace zt
