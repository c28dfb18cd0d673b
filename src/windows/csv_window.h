#pragma once

#include "windows/output_window.h"

// The CSV window: writes every row of the working database's output query to
// ZTAdrF02.txt in the working folder and hands the file to the desktop.
class ZTAdrF02 : public OutputJobWindow {
    Q_OBJECT
public:
    ZTAdrF02(zt::Database& db, const QString& folder);

protected:
    void runJob() override;
};
