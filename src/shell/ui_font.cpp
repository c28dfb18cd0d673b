#include "shell/ui_font.h"

#include <QStringList>

namespace ZTAdrM1 {

QFont GothicFont(qreal pointSize, bool bold) {
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ ゴシック"), QStringLiteral("MS Gothic"),
                      QStringLiteral("IPAGothic"), QStringLiteral("IPAゴシック"),
                      QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("Noto Sans CJK JP"),
                      QStringLiteral("VL Gothic"), QStringLiteral("TakaoGothic")});
    font.setStyleHint(QFont::Monospace);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

}  // namespace ZTAdrM1
