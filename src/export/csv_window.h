#pragma once

#include <QString>

#include "app/job_window.h"

// The CSV window: writes every row of the working database's output query to
// ZTAdrF02.txt beside the executable and hands the file to the desktop.
class ZTAdrF02 : public JobWindow {
    Q_OBJECT
public:
    ZTAdrF02();

    QString OutputPath;

protected:
    void runJob() override;

private:
    void Form_Load();
};
