#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <cstddef>

#include "db/database.h"
#include "platform/error.h"

namespace zt {

// The positions of the named fields in a record set, found once when it is
// opened: the writers read every field of every row, and a name lookup per
// value would cost more than the rest of the line.
template <std::size_t N>
std::array<int, N> fieldPositions(const Recordset& rs, const std::array<QString, N>& names) {
    const QStringList present = rs.FieldNames();
    std::array<int, N> positions{};
    for (std::size_t i = 0; i < N; ++i) {
        positions[i] = present.indexOf(names[i]);
        if (positions[i] < 0) {
            rs.Fields(names[i]);  // throws the database layer's own report of a missing field
            throw Error(QStringLiteral("フィールド '%1' はこのレコードセットにありません。").arg(names[i]));
        }
    }
    return positions;
}

}  // namespace zt
