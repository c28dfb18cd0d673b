#include <QFile>
#include <cstdio>

#include "platform/console.h"

namespace zt {

void tellCommandLine(ConsoleStream stream, const QString& text) {
    std::FILE* out = stream == ConsoleStream::Output ? stdout : stderr;
    std::fputs(text.toLocal8Bit().constData(), out);
    std::fflush(out);
}

QStringList commandLineArguments(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    return arguments;
}

QString runningExecutable() {
    return QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
}

}  // namespace zt
