// ZTADRCNV: the program's entry.

#include <QApplication>

#include "app/main_menu.h"
#include "app/startup.h"
#include "export/csv_window.h"
#include "export/edmax_window.h"
#include "export/tsurukame_window.h"
#include "import/import_window.h"

namespace {

// The four job windows the main menu opens.
ZTAdrF00::JobFactories jobWindows() {
    return {
        [] { return new ZTAdrF01; },
        [] { return new ZTAdrF02; },
        [] { return new ZTAdrF05; },
        [] { return new ZTAdrF06; },
    };
}

}  // namespace

int main(int argc, char* argv[]) {
    // Whatever goes wrong, the program ends with a status, never by an
    // exception leaving main.
    try {
        QApplication app(argc, argv);
        return ZTAdrM1::Main(app, jobWindows());
    } catch (...) {
        return 2;
    }
}
