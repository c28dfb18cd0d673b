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

// Whom a loss report names for an entry: its name, or its address when the
// name is empty.
inline QString entryShownName(const QString& name, const QString& address) {
    return name.isEmpty() ? address : name;
}

enum OutputField { Group, Name, Address, Company, Department, Title };

// One row of 出力情報 as stored and as the CP932 layouts write it, its fields
// in kOutputFields' order.
struct OutputRow {
    OutputRow(const Recordset& rows, const std::array<int, 6>& at) {
        for (std::size_t i = 0; i < as.size(); ++i) {
            as[i] = rows.Text(at[i]);
            texts[i] = layoutText(as[i], i == Group);
        }
    }
    std::array<QString, 6> as, texts;
};

// What a row's lines lost, in the report field by field in kOutputFields'
// order, of the fields `written` names: each that the layout writes otherwise
// than it is, as it was; and when the lines lost characters (`lost`), each
// other that CP932 cannot hold whole. The same for the CSV, EdMax and
// Tsurukame outputs, so that what one reports the others report alike.
inline void reportRowLosses(LossReport& losses, const OutputRow& row, const std::array<bool, 6>& written,
                            bool lost) {
    if (!lost && row.as == row.texts) {
        return;  // the common case, at no cost
    }
    const QString who = entryShownName(row.as[Name], row.as[Address]);
    for (std::size_t i = 0; i < written.size(); ++i) {
        if (!written[i]) {
            continue;
        }
        if (row.texts[i] != row.as[i]) {
            losses.add(who, kOutputFields[i], row.as[i]);
        } else if (lost) {
            losses.addUnencodable(who, kOutputFields[i], row.as[i]);
        }
    }
}

}  // namespace zt
