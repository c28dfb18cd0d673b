#include "export/edmax_window.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "app/app_state.h"
#include "export/choice_row.h"
#include "export/edmax_writer.h"
#include "export/working_db.h"
#include "platform/message_box.h"

ZTAdrF05::ZTAdrF05()
    : JobWindow(QStringLiteral("ZTAdrF05"), QStringLiteral("EdMax アドレス帳作成"), 5400, 2190) {
    // The window is wider than its Tsurukame sibling so that the longest
    // layout, item 1, shows whole.
    const ChoiceRow row = addChoiceRow(this, QStringLiteral("メモ欄の扱い"), QStringLiteral("メモ選択"),
                                       {
                                           QStringLiteral("1 会社名 [Tab] 部署名 [Tab] 役職"),
                                           QStringLiteral("2 会社名 [Tab] 部署名"),
                                           QStringLiteral("3 会社名 [Tab] 役職"),
                                           QStringLiteral("4 会社名"),
                                           QStringLiteral("5 会社名,部署名,役職"),
                                           QStringLiteral("6 会社名,部署名"),
                                           QStringLiteral("7 会社名,役職"),
                                           QStringLiteral("8 [出力なし]"),
                                       },
                                       3900);
    Label1 = row.label;
    メモ選択 = row.list;
    place(状況表示, 300, 500, 4800, 800);
    place(処理実行, 3400, 1500, 1800, 400);

    Form_Load();
}

void ZTAdrF05::Form_Load() {
    メモ選択->setCurrentIndex(0);
    OutputPath = ZTAdrM1::AppPath + QStringLiteral("/常用アドレス.adr");
    setStatus(OutputPath + QStringLiteral("\r\n") + QStringLiteral("に出力します。"));
}

void ZTAdrF05::runJob() {
    zt::Database& db = workingDatabase();
    const QChar layout = choiceCharacter(メモ選択);

    zt::writeEdMax(db, OutputPath, layout, [this](zt::EdMaxPass pass) {
        setStatus(pass == zt::EdMaxPass::Groups ? QStringLiteral("グループ出力中")
                                                : QStringLiteral("アドレス出力中"));
    });

    zt::MessageBox::show(
        this,
        QStringLiteral("EdMax用のアドレス帳(常用アドレス.adr)を作成しました。") + QStringLiteral("\r\n") +
            QStringLiteral("C:\\Program Files\\EdMax\\Address フォルダにコピーしてください。"),
        QStringLiteral("処理完了"), zt::MessageBox::Buttons::Ok, zt::MessageBox::Icon::Information);
}
