#pragma once

#include <QString>

#include "db/database.h"

namespace zt {

// Writes the stored query 出力情報 to `path` as vCard 3.0 cards that today's
// mail programs and phones import: one card per distinct (名前, アドレス) pair,
// in the order of the pair's first row, with that row's fields and the groups
// of all the pair's rows as its categories. UTF-8 without a byte-order mark,
// CR LF after every line, lines folded at 75 octets; no rows give an empty
// file. Throws zt::Error on any failure; the file at `path` is then left as it
// was.
// Returns the number of losses listed in the loss report beside the file
// (zt::LossReport).
qsizetype writeVCard(Database& db, const QString& path);

}  // namespace zt
