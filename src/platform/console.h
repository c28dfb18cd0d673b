#pragma once

#include <QString>
#include <QStringList>

namespace zt {

// How a program started from a command line answers it, before any window
// exists. Here the answer goes to standard output or standard error. A
// Windows program with windows has no console of its own: it answers on the
// console of the command prompt it was started from, into a file or pipe its
// output was sent to, and in a message box when started from the desktop.
enum class ConsoleStream { Output, Error };
void tellCommandLine(ConsoleStream stream, const QString& text);

// The arguments as the user typed them. On Windows main()'s argv is in the
// ANSI code page, which need not hold every character of a name.
QStringList commandLineArguments(int argc, char* argv[]);

// The running program's file, found before there is an application object to ask.
QString runningExecutable();

}  // namespace zt
