#pragma once

#include "windows/output_window.h"

// The vCard window: writes one card per person of the working database to
// ZTAdrF03.vcf in the working folder, for today's mail programs and phones to
// import. The file is not handed to the desktop: opening a card file there
// often imports it at once.
class ZTAdrF03 : public OutputJobWindow {
    Q_OBJECT
public:
    ZTAdrF03(zt::Database& db, const QString& folder);

protected:
    void runJob() override;
};
