#pragma once

#include <QString>
#include <array>
#include <cstddef>

#include "db/database.h"
#include "formats/control_characters.h"
#include "formats/loss_report.h"

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

// What the CP932 layouts write of a field: a group, whose name a folder's
// name may give (and a Linux folder's may hold line breaks and TABs), on one
// line; any field without its stray controls.
inline QString layoutText(const QString& text, bool group = false) {
    return group ? oneLine(text) : withoutStrayControls(text);
}

// A field that the layout writes otherwise than it is goes to the report as
// it was; true when it did, so that it is not reported twice.
inline bool reportChanged(LossReport& losses, QStringView who, QStringView field, const QString& as,
                          const QString& written) {
    if (written == as) {
        return false;
    }
    losses.add(who, field, as);
    return true;
}

// Whom a loss report names for an entry: its name, or its address when the
// name is empty.
inline QString entryShownName(const QString& name, const QString& address) {
    return name.isEmpty() ? address : name;
}

}  // namespace zt
