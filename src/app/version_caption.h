#pragma once

#include <QString>

class QWidget;

namespace ZTAdrM1 {

// The version as the caption shows it: "<major>.<minor>.<revision>", minor and
// revision at least two digits.
QString VersionNumber(int major, int minor, int revision);

// The build's own version record in that form: what `--version` prints.
QString VersionNumber();

// The caption that names a window, the application and its version:
// "<name>：<title> Ver.<major>.<minor>.<revision>", minor and revision at least
// two digits (1.00.01, 1.05.12, 1.00.123).
QString VersionCaption(const QString& windowName, const QString& title, int major, int minor, int revision);

// Sets `window`'s caption from its object name and the given identity.
void SetVersionCaption(QWidget* window, const QString& title, int major, int minor, int revision);

// Sets `window`'s caption from its object name and the build's version record.
void SetVersionCaption(QWidget* window);

}  // namespace ZTAdrM1
