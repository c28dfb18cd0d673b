// ZTADRCNV: the program's entry.

#include <QApplication>
#include <memory>

#include "app/command_line.h"
#include "app/startup.h"
#include "platform/console.h"

int main(int argc, char* argv[]) {
    // Whatever goes wrong, the program ends with a status, never by an
    // exception leaving main.
    try {
        // Before the application object: --help must work without a display.
        if (const std::optional<int> status =
                ZTAdrM1::HandleCommandLine(zt::commandLineArguments(argc, argv))) {
            return *status;
        }
        auto guard = std::make_unique<ZTAdrM1::DisplayGuard>();
        QApplication app(argc, argv);
        guard.reset();
        return ZTAdrM1::Main(app);
    } catch (...) {
        return 2;
    }
}
