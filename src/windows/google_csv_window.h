#pragma once

#include "windows/output_window.h"

// The Google CSV window: writes the people of the working database to
// ZTAdrF08.csv in the working folder, for Google Contacts to import with the
// groups as labels.
class ZTAdrF08 : public OutputJobWindow {
    Q_OBJECT
public:
    ZTAdrF08(zt::Database& db, const QString& folder);

protected:
    void runJob() override;
};
