#pragma once

#include <QList>
#include <QString>

class QWidget;

namespace zt {

// Our help viewer: shows the HTML help file in a help window
// owned by `owner`. A file that is missing or cannot be shown is reported by
// the engine itself, in Japanese, through MessageBox.
class HelpEngine {
public:
    static void showContents(QWidget* owner, const QString& helpFile);

    // --- test seam: while testing, calls are recorded and no window opens.
    struct Call {
        QWidget* owner;
        QString path;
    };
    static void setTesting(bool on);
    static const QList<Call>& calls();
    static void clearCalls();
};

}  // namespace zt
