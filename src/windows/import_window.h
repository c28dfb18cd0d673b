#pragma once

#include "shell/job_window.h"

namespace zt {
class Database;
}

// The import window: one run confirms, lets the user pick an address book
// folder inside AddrBook, and replaces the working database's content with it.
class ZTAdrF01 : public JobWindow {
    Q_OBJECT
public:
    explicit ZTAdrF01(zt::Database& db);

    // The window's title, which the main menu's first button shows too.
    static const QString Caption;

protected:
    void runJob() override;

private:
    zt::Database& db_;
};
