// ZTADRCNV: the program's entry.

#include <QApplication>
#include <memory>

#include "app/command_line.h"
#include "app/program_folders.h"
#include "app/startup.h"
#include "platform/console.h"

int main(int argc, char* argv[]) {
    // Whatever goes wrong, the program ends with a status, never by an
    // exception leaving main.
    try {
        // Before the application object: --help must work without a display.
        const ZTAdrM1::CommandLine line = ZTAdrM1::ReadCommandLine(zt::commandLineArguments(argc, argv));
        if (line.exitStatus) {
            return *line.exitStatus;
        }
        if (!line.jobs.isEmpty()) {
            // Nothing of an unattended run is shown in a window: no display is needed.
            QCoreApplication app(argc, argv);
            return ZTAdrM1::RunJobs(line.jobs, QCoreApplication::applicationDirPath(),
                                    ZTAdrM1::ExecutableBaseName(QCoreApplication::applicationFilePath()));
        }
        auto guard = std::make_unique<ZTAdrM1::DisplayGuard>();
        QApplication app(argc, argv);
        guard.reset();
        return ZTAdrM1::Main(app);
    } catch (...) {
        return 2;
    }
}
