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

// The main menu, the program's one permanent window. A numbered button for
// the import and one for each row of zt::outputs() open the job windows (one
// instance of each, unowned and not modal); it opens the help file on F1, and
// refuses to close while a job window is open. It never touches the working
// database.
class ZTAdrF00 : public QWidget {
    Q_OBJECT
public:
    // How the job windows are made, by the window's name (ZTAdrF01...). The
    // program passes the real windows; tests may pass stand-ins. A button
    // whose window has no factory does nothing.
    using JobFactories = QHash<QString, std::function<JobWindow*()>>;

    // `helpFile` is what F1 opens: the help file beside the executable.
    ZTAdrF00(JobFactories jobs, const QString& helpFile);

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
    QLabel* Label1;
    QLabel* Label2;

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
        QPointer<JobWindow> open;
    };

    void addJobButtons();
    void addLabels();
    void commitData(QSessionManager& manager);

    JobFactories factories_;
    QString helpFile_;
    QList<Job> jobs_;  // in button order, the spare last
};
