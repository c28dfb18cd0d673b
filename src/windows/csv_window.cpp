#include "windows/csv_window.h"

#include "formats/csv_writer.h"
#include "platform/desktop.h"

ZTAdrF02::ZTAdrF02(zt::Database& db, const QString& folder)
    : OutputJobWindow(QStringLiteral("ZTAdrF02"), QStringLiteral("CSV 出力"), db, folder,
                      QStringLiteral("ZTAdrF02.txt"),
                      QStringLiteral("グループ,名前,アドレス,会社名,部署名,役職\r\nの形式で、")) {}

void ZTAdrF02::runJob() {
    setStatus(QStringLiteral("出力中"));
    const qsizetype losses = zt::writeCsv(db_, OutputPath);
    // Only once the file is complete and in place, so the program it opens in
    // never sees a half-written file.
    zt::Desktop::openWithDefaultApp(this, OutputPath);
    tellLosses(losses, OutputPath);
}
