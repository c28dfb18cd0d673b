#pragma once

#include <QString>

#include "shell/job_window.h"

namespace zt {
class Database;
}

// The CSV window: writes every row of the working database's output query to
// ZTAdrF02.txt in the program folder and hands the file to the desktop.
class ZTAdrF02 : public JobWindow {
    Q_OBJECT
public:
    ZTAdrF02(zt::Database& db, const QString& programFolder);

    QString OutputPath;

protected:
    void runJob() override;

private:
    void Form_Load();
    zt::Database& db_;
};
