// ZTADRCNV: the program's entry.

#include <QApplication>
#include <QLabel>
#include <QPushButton>

#include "app/main_menu.h"
#include "app/startup.h"

namespace {

// Placeholder until the job windows are wired in: a window that only says
// what it stands for.
class PendingJobWindow : public JobWindow {
public:
    explicit PendingJobWindow(const QString& name) : JobWindow(name, name, 4500, 1800) {
        place(処理実行, 1500, 1000, 1500, 450);
        place(状況表示, 200, 200, 4100, 600);
        setStatus(QStringLiteral("準備中"));
    }

protected:
    void runJob() override {}
};

// The four job windows the main menu opens.
ZTAdrF00::JobFactories jobWindows() {
    return {
        [] { return new PendingJobWindow(QStringLiteral("ZTAdrF01")); },
        [] { return new PendingJobWindow(QStringLiteral("ZTAdrF02")); },
        [] { return new PendingJobWindow(QStringLiteral("ZTAdrF05")); },
        [] { return new PendingJobWindow(QStringLiteral("ZTAdrF06")); },
    };
}

}  // namespace

int main(int argc, char* argv[]) {
    // Whatever goes wrong, the program ends with a status, never by an
    // exception leaving main.
    try {
        QApplication app(argc, argv);
        return ZTAdrM1::Main(app, jobWindows());
    } catch (...) {
        return 2;
    }
}
