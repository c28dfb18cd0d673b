#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

#include "db/database.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: ztadrcnv-mkdb DATABASE\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    if (QFileInfo::exists(path)) {
        return 0;  // never touch a database that holds the user's last import
    }
    try {
        zt::Database::create(path);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ztadrcnv-mkdb: %s: %s\n", argv[1], e.what());
        return 1;
    }
    std::printf("created %s\n", argv[1]);
    return 0;
}
