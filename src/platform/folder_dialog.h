#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace zt {

// Lets the user choose an existing folder (folders only, no files shown).
class FolderDialog {
public:
    // Opens at `startFolder`. Returns the chosen folder's path without a
    // trailing separator, or an empty text when the user cancels.
    static QString browse(QWidget* owner, const QString& title, const QString& startFolder);

    // --- test seam ---
    // While testing, nothing is displayed: browse() records the title and the
    // start folder and returns the next queued folder; an empty text (or an
    // empty queue) is a cancel.
    static void setTesting(bool on);
    static void setNextFolder(const QString& path);
    static const QStringList& titlesShown();
    static const QStringList& startFoldersShown();
    static void clearShown();
};

}  // namespace zt
