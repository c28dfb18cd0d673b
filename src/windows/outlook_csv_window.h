#pragma once

#include "windows/output_window.h"

// The Outlook CSV window: writes the people of the working database to
// ZTAdrF04.csv in the working folder, for Outlook and Outlook.com to import.
class ZTAdrF04 : public OutputJobWindow {
    Q_OBJECT
public:
    ZTAdrF04(zt::Database& db, const QString& folder);

protected:
    void runJob() override;
};
