#pragma once

#include <QHash>
#include <QList>
#include <QPointer>
#include <QWidget>
#include <functional>

#include "shell/job_window.h"

class QLabel;
class QPushButton;
class QSessionManager;
class StatusLabel;

namespace zt {
class Database;
}

// The main menu, the program's one permanent window. A numbered button for
// the import, one for each row of zt::outputs() and one for the list of the
// people open their windows (one instance of each, unowned and not modal); it
// opens the help file on F1, and refuses to close while one of them is open.
// Below the buttons it says what the working database holds, read when the
// menu is made and again each time the import window has gone; it writes
// nothing there.
class ZTAdrF00 : public QWidget {
    Q_OBJECT
public:
    // How the windows are made, by the window's name (ZTAdrF01...). The
    // program passes the real windows; tests may pass stand-ins. A button
    // whose window has no factory does nothing.
    using JobFactories = QHash<QString, std::function<QWidget*()>>;

    // `db` is the working database the summary is read from; `helpFile` is
    // what F1 opens: the help file beside the executable.
    ZTAdrF00(JobFactories jobs, zt::Database& db, const QString& helpFile);

    void Form_Load();
    // The numbered button `number` clicked: its job window opened, or brought
    // to the front when it is open.
    void Command_Click(int number);
    void CommandEnd_Click();
    // Returns true when F1 was handled (help shown).
    bool Form_KeyDown(int key, Qt::KeyboardModifiers modifiers);
    // The close check, run for every close request. Returns true when the
    // close must be refused ("cancel"); the user has then been told why.
    bool Form_QueryUnload();

    // The other windows of the program that keep the menu from closing, in the
    // order the close check walks them: the job windows in button order, then
    // any other unowned window.
    QList<QWidget*> otherOpenWindows() const;

    // The numbered button Command<number>, 1 to 9.
    QPushButton* Command(int number) const;
    QPushButton* CommandEnd;
    // The first-time hint until something has been imported, then what the
    // working database holds; wrapped, and the window as deep as it needs.
    StatusLabel* Label1;
    QLabel* Label2;

    // Reads the working database's summary again into Label1.
    void showSummary();

signals:
    // Emitted once a close request has passed the check: the program ends here.
    void menuClosed();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A numbered button and the job window it opens, while that is open.
    struct Job {
        QString window;
        QPushButton* button;
        QPointer<QWidget> open;
    };

    void addJobButtons();
    void addLabels();
    void commitData(QSessionManager& manager);

    JobFactories factories_;
    zt::Database& db_;
    QString helpFile_;
    QList<Job> jobs_;  // in button order
};
