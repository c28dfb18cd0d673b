#pragma once

#include <QWidget>

#include "shell/status_label.h"

class QPushButton;

// The shared shape of the job windows: a run button `処理実行` and a status
// label `状況表示` that is hidden until the window has loaded. A run disables the
// button, does its job on the UI thread without yielding, shows progress only
// through the status label (repainted at once), and closes the window whatever
// the outcome. An error escaping the job is reported as a fatal error.
class JobWindow : public QWidget {
    Q_OBJECT
public:
    // `name` is the window's own name (ZTAdrF01...); the client size is in
    // twips, 15 to a pixel.
    JobWindow(const QString& name, const QString& caption, int clientWidthTwips, int clientHeightTwips);

    static int px(int twips) { return twips / 15; }
    // Places a child at a rectangle given in twips.
    static void place(QWidget* widget, int left, int top, int width, int height);

    // Sets the status text (a CR LF shows as a line break), makes the label
    // visible and repaints the window at once. Where the text needs more lines
    // than the label has, the label, and the window with it, grow downwards by
    // the difference and the run button moves down as much; they never shrink
    // back, so a run that alternates short and long texts does not make the
    // window jump.
    void setStatus(const QString& text);

    // The run button's click handler: disable, run, close.
    void 処理実行_Click();

    QPushButton* 処理実行;
    StatusLabel* 状況表示;

protected:
    // The job itself. Returns normally on success and on the user's refusals;
    // throws zt::Error on any other failure.
    virtual void runJob() = 0;

private:
    void fitStatus();

    int statusGrowth_ = 0;  // pixels added below the designed layout
};
