#include "formats/control_characters.h"

#include <algorithm>

namespace zt {

bool holdsStrayControl(QStringView text) {
    return std::any_of(text.begin(), text.end(), isStrayControl);
}

QString withoutStrayControls(const QString& text) {
    if (!holdsStrayControl(text)) {
        return text;  // shared, not copied: the common case costs one scan
    }
    QString out = text;
    out.removeIf(isStrayControl);
    return out;
}

QString oneLine(const QString& text) {
    if (!std::any_of(text.begin(), text.end(), isControl)) {
        return text;
    }
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n' || c == u'\t') {
            out += u' ';
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;  // CR LF is one line break
            }
        } else if (!isControl(c)) {
            out += c;
        }
    }
    return out;
}

}  // namespace zt
