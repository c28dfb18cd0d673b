#include "windows/google_csv_window.h"

#include "formats/google_csv_writer.h"

ZTAdrF08::ZTAdrF08(zt::Database& db, const QString& folder)
    : OutputJobWindow(QStringLiteral("ZTAdrF08"), QStringLiteral("Google 用 CSV 出力"), db, folder,
                      QStringLiteral("ZTAdrF08.csv"),
                      QStringLiteral("Google コンタクトの CSV（UTF-8）の形式で、")) {}

void ZTAdrF08::runJob() {
    setStatus(QStringLiteral("出力中"));
    const qsizetype losses = zt::writeGoogleCsv(db_, OutputPath);
    reportWritten(
        QStringLiteral(
            "Google コンタクトの「インポート」でこのファイルを選んでください。グループはラベルになります。"),
        losses);
}
