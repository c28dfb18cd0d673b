#include "windows/vcard_window.h"

#include "formats/vcard_writer.h"

ZTAdrF03::ZTAdrF03(zt::Database& db, const QString& folder)
    : OutputJobWindow(QStringLiteral("ZTAdrF03"), QStringLiteral("vCard 出力"), db, folder,
                      QStringLiteral("ZTAdrF03.vcf"), QStringLiteral("vCard 3.0（UTF-8）の形式で、")) {}

void ZTAdrF03::runJob() {
    setStatus(QStringLiteral("出力中"));
    const qsizetype losses = zt::writeVCard(db_, OutputPath);
    reportWritten(QStringLiteral("メールソフトや携帯電話の連絡先に取り込んでください。"), losses);
}
