#pragma once

#include <QString>
#include <QStringView>

// The C0 controls and DEL, which no reader of our outputs takes inside a
// value: a NUL ends a C string, an ESC starts a terminal sequence, a strict
// vCard or CSV reader refuses the file. TAB, CR and LF are the exceptions
// where a format holds them (TAB as text, a line break escaped or quoted).
namespace zt {

inline bool isControl(QChar c) {
    return c.unicode() < 0x20 || c.unicode() == 0x7F;
}

// A control other than TAB, CR and LF.
inline bool isStrayControl(QChar c) {
    return isControl(c) && c != u'\t' && c != u'\r' && c != u'\n';
}

bool holdsStrayControl(QStringView text);

// `text` without its stray controls.
QString withoutStrayControls(const QString& text);

// `text` as one field of a line of a CP932 layout, whose lines end at CR LF
// and whose fields TAB separates in some: each line break (CR LF, CR or LF)
// and TAB as a space, the stray controls left out.
QString oneLine(const QString& text);

}  // namespace zt
