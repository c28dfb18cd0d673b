#include "export/vcard_window.h"

#include <QLabel>
#include <QPushButton>

#include "export/vcard_writer.h"
#include "platform/message_box.h"

ZTAdrF03::ZTAdrF03(zt::Database& db, const QString& programFolder)
    : JobWindow(QStringLiteral("ZTAdrF03"), QStringLiteral("vCard 出力"), 4680, 1890),
      OutputPath(programFolder + QStringLiteral("/ZTAdrF03.vcf")),
      db_(db) {
    place(状況表示, 300, 200, 4000, 800);
    place(処理実行, 2500, 1200, 1800, 400);
    Form_Load();
}

void ZTAdrF03::Form_Load() {
    setStatus(QStringLiteral("vCard 3.0（UTF-8）の形式で、\r\n") + OutputPath +
              QStringLiteral("\r\nに出力します。"));
}

void ZTAdrF03::runJob() {
    setStatus(QStringLiteral("出力中"));
    zt::writeVCard(db_, OutputPath);
    zt::MessageBox::show(this,
                         OutputPath + QStringLiteral("\r\nに出力しました。\r\n"
                                                     "メールソフトや携帯電話の連絡先に取り込んでください。"),
                         QStringLiteral("処理完了"), zt::MessageBox::Buttons::Ok,
                         zt::MessageBox::Icon::Information);
}
