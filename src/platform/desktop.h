#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace zt {

// Hands a finished file to the desktop's default program for its type.
class Desktop {
public:
    // Silent when nothing opens it: a missing association is not an error.
    static void openWithDefaultApp(QWidget* owner, const QString& path);

    // --- test seam: while testing, paths are recorded and nothing is launched.
    static void setTesting(bool on);
    static const QStringList& opened();
    static void clearOpened();
};

}  // namespace zt
