// ZTADRCNV: the program's entry.

#include <QApplication>

#include "app/startup.h"

int main(int argc, char* argv[]) {
    // Whatever goes wrong, the program ends with a status, never by an
    // exception leaving main.
    try {
        QApplication app(argc, argv);
        return ZTAdrM1::Main(app);
    } catch (...) {
        return 2;
    }
}
