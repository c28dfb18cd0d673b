#pragma once

#include <QFont>

namespace ZTAdrM1 {

// The program's Japanese gothic: "ＭＳ ゴシック" where it is installed, else the
// first installed fixed-pitch Japanese gothic. Fixed pitch matters: the menu
// captions are padded to equal width in half-width cells.
QFont GothicFont(qreal pointSize, bool bold = false);

}  // namespace ZTAdrM1
