#include "platform/folder_dialog.h"

#include <QDir>
#include <QFileDialog>

namespace zt {
namespace {

struct Seam {
    bool testing = false;
    QStringList next;
    QStringList titles;
    QStringList startFolders;
};

Seam& seam() {
    static Seam s;
    return s;
}

// "/data/" -> "/data"; "/" stays, as it names the root.
QString withoutTrailingSeparator(QString path) {
    while (path.size() > 1 && (path.endsWith(QLatin1Char('/')) || path.endsWith(QDir::separator()))) {
        path.chop(1);
    }
    return path;
}

}  // namespace

QString FolderDialog::browse(QWidget* owner, const QString& title, const QString& startFolder) {
    Seam& s = seam();
    if (s.testing) {
        s.titles.append(title);
        s.startFolders.append(startFolder);
        return s.next.isEmpty() ? QString() : withoutTrailingSeparator(s.next.takeFirst());
    }
    const QString chosen =
        QFileDialog::getExistingDirectory(owner, title, startFolder, QFileDialog::ShowDirsOnly);
    return withoutTrailingSeparator(chosen);
}

void FolderDialog::setTesting(bool on) {
    seam().testing = on;
    seam().next.clear();
}

void FolderDialog::setNextFolder(const QString& path) {
    seam().next.append(path);
}

const QStringList& FolderDialog::titlesShown() {
    return seam().titles;
}

const QStringList& FolderDialog::startFoldersShown() {
    return seam().startFolders;
}

void FolderDialog::clearShown() {
    seam().titles.clear();
    seam().startFolders.clear();
}

}  // namespace zt
