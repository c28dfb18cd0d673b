#pragma once

#include <QString>

#include "db/database.h"

namespace zt {

// Writes every person of the working database that has a name or an address
// to `path` as LDIF the way Thunderbird writes an address book: a record per
// person, then a record per group listing its people, so that Thunderbird's
// import makes each group a mailing list. UTF-8, CR LF line ends, no folded
// lines. Throws zt::Error on any failure; the file at `path` is then left as
// it was.
// Returns the number of losses listed in the loss report beside the file
// (zt::LossReport).
qsizetype writeLdif(Database& db, const QString& path);

}  // namespace zt
