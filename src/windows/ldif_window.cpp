#include "windows/ldif_window.h"

#include "formats/ldif_writer.h"

ZTAdrF07::ZTAdrF07(zt::Database& db, const QString& folder)
    : OutputJobWindow(QStringLiteral("ZTAdrF07"), QStringLiteral("Thunderbird 用 LDIF 出力"), db, folder,
                      QStringLiteral("ZTAdrF07.ldif"),
                      QStringLiteral("LDIF（UTF-8、グループはメーリングリスト）の形式で、")) {}

void ZTAdrF07::runJob() {
    setStatus(QStringLiteral("出力中"));
    const qsizetype losses = zt::writeLdif(db_, OutputPath);
    reportWritten(QStringLiteral("Thunderbird の「ツール」→「インポート」→「アドレス帳」で LDIF "
                                 "ファイルとして取り込むと、グループはメーリングリストになります。"),
                  losses);
}
