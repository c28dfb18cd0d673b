// A program that writes a file with its report and is killed half-way, for
// tst_platform. Arguments: the target, and "named" for the temporaries of a
// file system without unnamed ones. At each stage it says which on its output
// and waits for a line on its input before it goes on; at the end of its input
// it stops.
#include <QCoreApplication>
#include <cstdio>

#include "platform/error.h"
#include "platform/temporary_files.h"
#include "platform/text_file_writer.h"

static bool goOnAfter(const char* stage) {
    std::printf("%s\n", stage);
    std::fflush(stdout);
    return std::getchar() != EOF;
}

int main(int argc, char** argv) {
    const QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    zt::temporary::allowUnnamed(args.value(2) != u"named");
    try {
        zt::TextFileWriter file(args.value(1));
        if (!goOnAfter("opened")) {
            return 1;
        }
        file.writeBytes(QByteArray(1 << 20, 'n'));
        if (!goOnAfter("written")) {
            return 1;
        }
        file.commitWithReport(zt::reportPathFor(args.value(1)), QStringLiteral("new"),
                              {QStringLiteral("loss")});
        goOnAfter("committed");
    } catch (const zt::Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return 2;
    }
    return 0;
}
