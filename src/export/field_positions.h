#pragma once

#include <QString>
#include <array>
#include <cstddef>

#include "db/database.h"

namespace zt {

// The positions of the named fields in a record set, found once when it is
// opened: the writers read every field of every row, and a name lookup per
// value would cost more than the rest of the line.
template <std::size_t N>
std::array<int, N> fieldPositions(const Recordset& rs, const std::array<QString, N>& names) {
    std::array<int, N> positions{};
    for (std::size_t i = 0; i < N; ++i) {
        positions[i] = rs.FieldIndex(names[i]);  // a missing field is reported by the database layer
    }
    return positions;
}

}  // namespace zt
