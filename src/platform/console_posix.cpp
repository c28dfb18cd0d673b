#include <QFile>
#include <cstdio>

#include "platform/console.h"
#include "platform/directory_listing.h"

namespace zt {

void tellCommandLine(ConsoleStream stream, const QString& text) {
    std::FILE* out = stream == ConsoleStream::Output ? stdout : stderr;
    std::fputs(text.toLocal8Bit().constData(), out);
    std::fflush(out);
}

// The arguments are the file system's bytes: each part of a path is read as
// the listing reads a name, so that a folder copied with its Windows (CP932)
// name is found by the name the shell passed (encodeFileName).
QStringList commandLineArguments(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        QStringList parts;
        for (const QByteArray& part : QByteArray(argv[i]).split('/')) {
            parts << decodeFileName(part);
        }
        arguments << parts.join(u'/');
    }
    return arguments;
}

QString runningExecutable() {
    return QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
}

}  // namespace zt
