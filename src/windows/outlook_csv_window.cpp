#include "windows/outlook_csv_window.h"

#include "formats/outlook_csv_writer.h"

ZTAdrF04::ZTAdrF04(zt::Database& db, const QString& folder)
    : OutputJobWindow(QStringLiteral("ZTAdrF04"), QStringLiteral("Outlook 用 CSV 出力"), db, folder,
                      QStringLiteral("ZTAdrF04.csv"),
                      QStringLiteral("Outlook の連絡先 CSV（UTF-8）の形式で、")) {}

void ZTAdrF04::runJob() {
    setStatus(QStringLiteral("出力中"));
    const qsizetype losses = zt::writeOutlookCsv(db_, OutputPath);
    reportWritten(
        QStringLiteral("Outlook では「ファイル」→「開く/エクスポート」→「インポート/エクスポート」、"
                       "Outlook.com では「連絡先」→「連絡先のインポート」で取り込んでください。"),
        losses);
}
