#pragma once

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace zt {
struct Output;
}

// What the program does before it has a window: its options, the runs
// without windows, and the guard over reaching a display.
namespace ZTAdrM1 {

// One step of a run without windows, in the order the command line gives them.
struct Job {
    // --import: the address book folder. --write: `output` into `path`, or
    // into the file its window writes when `path` is empty.
    const zt::Output* output = nullptr;  // none: an import
    QString path;                        // absolute, as the user's current folder made it
    QChar choice;                        // the chosen item's digit, for an output with a choice list
};

struct CommandLine {
    std::optional<int> exitStatus;  // set when the command line has been answered
    QList<Job> jobs;                // none: the windows start
};

// Reads the options (`arguments` as main() got them): answers --help and
// --version on standard output with exit status 0, and a wrong option or
// argument with the usage on standard error and 2, naming what was typed.
// Otherwise gives the jobs of --import and --write. Needs no display and no
// application object.
CommandLine ReadCommandLine(const QStringList& arguments);

// Runs `jobs` in order on the working database of the program at
// `appPath`/`baseName`, with the windows' rules and messages: the messages go
// to standard error, the path of a report to standard output. Stops at the
// first job refused or failed. Returns 0 when every job ran, 1 otherwise.
// Needs a QCoreApplication, no display.
int RunJobs(const QList<Job>& jobs, const QString& appPath, const QString& baseName);

// Held while the QApplication is made. Qt ends the process with abort() and a
// core dump when it cannot reach a display (started over ssh, say); under the
// guard that is one line on standard error and exit status 1. Qt's other
// messages meanwhile are held and passed on when the guard goes.
class DisplayGuard {
public:
    DisplayGuard();
    ~DisplayGuard();
    DisplayGuard(const DisplayGuard&) = delete;
    DisplayGuard& operator=(const DisplayGuard&) = delete;
};

}  // namespace ZTAdrM1
