#include "export/csv_window.h"

#include <QPushButton>

#include "export/csv_writer.h"
#include "platform/desktop.h"

ZTAdrF02::ZTAdrF02(zt::Database& db, const QString& programFolder)
    : JobWindow(QStringLiteral("ZTAdrF02"), QStringLiteral("CSV 出力"), 4680, 1890),
      OutputPath(programFolder + QStringLiteral("/ZTAdrF02.txt")),
      db_(db) {
    place(状況表示, 300, 200, 4000, 800);
    place(処理実行, 2500, 1200, 1800, 400);
    Form_Load();
}

void ZTAdrF02::Form_Load() {
    setStatus(QStringLiteral("グループ,名前,アドレス,会社名,部署名,役職\r\nの形式で、\r\n") + OutputPath +
              QStringLiteral("\r\nに出力します。"));
}

void ZTAdrF02::runJob() {
    setStatus(QStringLiteral("出力中"));
    zt::writeCsv(db_, OutputPath);
    // Only once the file is complete and in place, so the program it opens in
    // never sees a half-written file.
    zt::Desktop::openWithDefaultApp(this, OutputPath);
}
