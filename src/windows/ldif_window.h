#pragma once

#include "windows/output_window.h"

// The LDIF window: writes the people and groups of the working database to
// ZTAdrF07.ldif in the working folder, for Thunderbird to import with the
// groups as mailing lists.
class ZTAdrF07 : public OutputJobWindow {
    Q_OBJECT
public:
    ZTAdrF07(zt::Database& db, const QString& folder);

protected:
    void runJob() override;
};
