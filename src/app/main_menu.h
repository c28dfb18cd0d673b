#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

#include "shell/job_window.h"

class QLabel;
class QPushButton;
class QSessionManager;

// The main menu, the program's one permanent window. It opens the seven job
// windows (one instance of each, unowned and not modal), opens the help file on
// F1, and refuses to close while a job window is open. It never touches the
// working database.
class ZTAdrF00 : public QWidget {
    Q_OBJECT
public:
    // How the job windows are made. The program passes the real windows; tests
    // pass stand-ins. An empty factory leaves its button without effect.
    struct JobFactories {
        std::function<JobWindow*()> import;     // ZTAdrF01
        std::function<JobWindow*()> csv;        // ZTAdrF02
        std::function<JobWindow*()> vcard;      // ZTAdrF03
        std::function<JobWindow*()> outlook;    // ZTAdrF04
        std::function<JobWindow*()> edmax;      // ZTAdrF05
        std::function<JobWindow*()> tsurukame;  // ZTAdrF06
        std::function<JobWindow*()> ldif;       // ZTAdrF07
        std::function<JobWindow*()> google;     // ZTAdrF08
    };

    // `helpFile` is what F1 opens: the help file beside the executable.
    ZTAdrF00(JobFactories jobs, const QString& helpFile);

    void Form_Load();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command8_Click();
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

    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    QPushButton* Command4;
    QPushButton* Command5;
    QPushButton* Command6;
    QPushButton* Command7;
    QPushButton* Command8;
    QPushButton* Command9;
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
    void showJob(QPointer<JobWindow>& slot, const std::function<JobWindow*()>& make);
    void commitData(QSessionManager& manager);

    JobFactories jobs_;
    QString helpFile_;
    QPointer<JobWindow> importWindow_;
    QPointer<JobWindow> csvWindow_;
    QPointer<JobWindow> vcardWindow_;
    QPointer<JobWindow> outlookWindow_;
    QPointer<JobWindow> edmaxWindow_;
    QPointer<JobWindow> tsurukameWindow_;
    QPointer<JobWindow> ldifWindow_;
    QPointer<JobWindow> googleWindow_;
};
