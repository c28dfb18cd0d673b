#include "export/csv_window.h"

#include <QLabel>
#include <QPushButton>

#include "app/app_state.h"
#include "export/csv_writer.h"
#include "export/working_db.h"
#include "platform/desktop.h"

ZTAdrF02::ZTAdrF02() : JobWindow(QStringLiteral("ZTAdrF02"), QStringLiteral("CSV 出力"), 4680, 1890) {
    place(状況表示, 300, 200, 4000, 800);
    place(処理実行, 2500, 1200, 1800, 400);
    Form_Load();
}

void ZTAdrF02::Form_Load() {
    OutputPath = ZTAdrM1::AppPath + QStringLiteral("/ZTAdrF02.txt");
    setStatus(QStringLiteral("グループ,名前,アドレス,会社名,部署名,役職") + QStringLiteral("\r\n") +
              QStringLiteral("の形式で、") + QStringLiteral("\r\n") + OutputPath + QStringLiteral("\r\n") +
              QStringLiteral("に出力します。"));
}

void ZTAdrF02::runJob() {
    zt::Database& db = workingDatabase();
    setStatus(QStringLiteral("出力中"));
    zt::writeCsv(db, OutputPath);
    // Only once the file is complete and in place, so the program it opens in
    // never sees a half-written file.
    zt::Desktop::openWithDefaultApp(this, OutputPath);
}
