#include "app/version_caption.h"

#include <QWidget>

#include "version.h"

namespace ZTAdrM1 {

QString VersionNumber(int major, int minor, int revision) {
    const auto twoDigits = [](int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); };
    return QString::number(major) + QLatin1Char('.') + twoDigits(minor) + QLatin1Char('.') +
           twoDigits(revision);
}

QString VersionNumber() {
    return VersionNumber(ZT_VERSION_MAJOR, ZT_VERSION_MINOR, ZT_VERSION_REVISION);
}

QString VersionCaption(const QString& windowName, const QString& title, int major, int minor, int revision) {
    return windowName + QStringLiteral("：") + title + QStringLiteral(" Ver.") +
           VersionNumber(major, minor, revision);
}

void SetVersionCaption(QWidget* window, const QString& title, int major, int minor, int revision) {
    window->setWindowTitle(VersionCaption(window->objectName(), title, major, minor, revision));
}

void SetVersionCaption(QWidget* window) {
    SetVersionCaption(window, QStringLiteral(ZT_APP_TITLE), ZT_VERSION_MAJOR, ZT_VERSION_MINOR,
                      ZT_VERSION_REVISION);
}

}  // namespace ZTAdrM1
