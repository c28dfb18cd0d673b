#pragma once

#include <QString>

#include "app/job_window.h"

class QComboBox;
class QLabel;

// The Tsurukame window: the user picks what the remarks hold, and a run writes
// the Tsurukame address book AdrBook.txt beside the executable.
class ZTAdrF06 : public JobWindow {
    Q_OBJECT
public:
    ZTAdrF06();

    QString OutputPath;
    QLabel* Label1;
    QComboBox* 備考選択;

protected:
    void runJob() override;

private:
    void Form_Load();
};
