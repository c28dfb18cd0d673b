#pragma once

#include <QString>

#include "shell/job_window.h"
#include "windows/outputs.h"

class QComboBox;
class QLabel;

// The job window of one output, made from its row of zt::outputs(): it says at
// load what it will write where, and a run writes the file, then shows the
// completion box, or hands the file to the desktop, and the box that points to
// the loss report when something was lost. A row with a choice list gets the
// list above the status label, its first item chosen at load.
class OutputJobWindow : public JobWindow {
    Q_OBJECT
public:
    OutputJobWindow(const zt::Output& output, zt::Database& db, const QString& folder);

    QString OutputPath;
    QLabel* Label1 = nullptr;  // the choice list's caption

protected:
    void runJob() override;

    QComboBox* list_ = nullptr;

private:
    void addChoiceList(const zt::ChoiceList& choices);
    void Form_Load();

    const zt::Output output_;  // a copy: a row need not outlive its window
    zt::Database& db_;
};
