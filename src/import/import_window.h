#pragma once

#include "app/job_window.h"

// The import window: one run confirms, lets the user pick an address book
// folder inside AddrBook, and replaces the working database's content with it.
class ZTAdrF01 : public JobWindow {
    Q_OBJECT
public:
    ZTAdrF01();

protected:
    void runJob() override;
};
