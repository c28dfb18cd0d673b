#pragma once

#include <QString>

#include "app/job_window.h"

class QComboBox;
class QLabel;

// The EdMax window: the user picks a memo layout, and a run writes the EdMax
// address book 常用アドレス.adr beside the executable.
class ZTAdrF05 : public JobWindow {
    Q_OBJECT
public:
    ZTAdrF05();

    QString OutputPath;
    QLabel* Label1;
    QComboBox* メモ選択;

protected:
    void runJob() override;

private:
    void Form_Load();
};
