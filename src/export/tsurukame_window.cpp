#include "export/tsurukame_window.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "app/app_state.h"
#include "export/choice_row.h"
#include "export/tsurukame_writer.h"
#include "export/working_db.h"
#include "platform/message_box.h"

ZTAdrF06::ZTAdrF06()
    : JobWindow(QStringLiteral("ZTAdrF06"), QStringLiteral("鶴亀アドレス帳作成"), 4680, 2190) {
    const ChoiceRow row = addChoiceRow(this, QStringLiteral("備考欄の扱い"), QStringLiteral("備考選択"),
                                       {
                                           QStringLiteral("1 会社名,部署名,役職"),
                                           QStringLiteral("2 会社名,部署名"),
                                           QStringLiteral("3 会社名,役職"),
                                           QStringLiteral("4 会社名"),
                                           QStringLiteral("5 [出力なし]"),
                                       },
                                       3200);
    Label1 = row.label;
    備考選択 = row.list;
    place(状況表示, 300, 500, 4000, 800);
    place(処理実行, 2500, 1500, 1800, 400);

    Form_Load();
}

void ZTAdrF06::Form_Load() {
    備考選択->setCurrentIndex(0);
    OutputPath = ZTAdrM1::AppPath + QStringLiteral("/AdrBook.txt");
    setStatus(OutputPath + QStringLiteral("\r\n") + QStringLiteral("に出力します。"));
}

void ZTAdrF06::runJob() {
    zt::Database& db = workingDatabase();
    const QChar choice = choiceCharacter(備考選択);

    setStatus(QStringLiteral("出力中"));
    zt::writeTsurukame(db, OutputPath, choice);

    zt::MessageBox::show(
        this,
        QStringLiteral("鶴亀用のアドレス帳(AdrBook.txt)を作成しました。") + QStringLiteral("\r\n") +
            QStringLiteral("C:\\TuruKameData フォルダにコピーしてください。"),
        QStringLiteral("処理完了"), zt::MessageBox::Buttons::Ok, zt::MessageBox::Icon::Information);
}
