#pragma once

#include <QString>

#include "card/person.h"

namespace zt {

// Writes every person `people` hands over to `path` as
// LDIF the way Thunderbird writes an address book: a record per person with
// as much of its card as Thunderbird has attributes for, then a record per
// group listing its people, so that Thunderbird's import makes each group a
// mailing list. Every dn is unique and every member names one of them. UTF-8,
// CR LF line ends, no folded lines. What has no attribute goes in the loss
// report beside the file (zt::LossReport), with what the card holds that no
// output carries; returns the number of losses. Throws zt::Error on any
// failure; the file at `path` is then left as it was.
qsizetype writeLdif(const PersonSource& people, const QString& path);

}  // namespace zt
