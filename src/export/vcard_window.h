#pragma once

#include <QString>

#include "shell/job_window.h"

namespace zt {
class Database;
}

// The vCard window: writes one card per person of the working database to
// ZTAdrF03.vcf in the program folder, for today's mail programs and phones to
// import. The file is not handed to the desktop: opening a card file there
// often imports it at once.
class ZTAdrF03 : public JobWindow {
    Q_OBJECT
public:
    ZTAdrF03(zt::Database& db, const QString& programFolder);

    QString OutputPath;

protected:
    void runJob() override;

private:
    void Form_Load();
    zt::Database& db_;
};
