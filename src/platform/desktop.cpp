#include "platform/desktop.h"

#include <QDesktopServices>
#include <QUrl>

namespace zt {
namespace {

struct Seam {
    bool testing = false;
    QStringList opened;
};

Seam& seam() {
    static Seam s;
    return s;
}

}  // namespace

void Desktop::openWithDefaultApp(QWidget* /*owner*/, const QString& path) {
    if (seam().testing) {
        seam().opened.append(path);
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void Desktop::setTesting(bool on) {
    seam().testing = on;
}

const QStringList& Desktop::opened() {
    return seam().opened;
}

void Desktop::clearOpened() {
    seam().opened.clear();
}

}  // namespace zt
