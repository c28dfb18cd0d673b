#pragma once

#include <QStringList>
#include <optional>

// What the program does before it has a window: its options, and the guard
// over reaching a display.
namespace ZTAdrM1 {

// Reads the options (`arguments` as main() got them): answers --help and
// --version on standard output and returns 0, and a wrong option or argument
// with the usage on standard error and 2. Returns nothing when the program is
// to start. Needs no display and no application object.
std::optional<int> HandleCommandLine(const QStringList& arguments);

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
