#include "windows/import_window.h"

#include <QDir>
#include <QPushButton>

#include "import/address_book_import.h"
#include "platform/folder_dialog.h"
#include "platform/message_box.h"

using zt::MessageBox;

const QString ZTAdrF01::Caption = QStringLiteral("アドレス帳データを取り込み");

ZTAdrF01::ZTAdrF01(zt::Database& db) : JobWindow(QStringLiteral("ZTAdrF01"), Caption, 4680, 1890), db_(db) {
    place(状況表示, 300, 300, 4000, 600);
    place(処理実行, 2500, 1200, 1800, 400);
}

void ZTAdrF01::runJob() {
    setStatus(QStringLiteral("実行確認"));
    const MessageBox::Answer answer = MessageBox::show(
        this, QStringLiteral("この処理を行うと、今までのデータはクリアされます。\r\n実行しますか？"),
        QStringLiteral("実行の確認"), MessageBox::Buttons::YesNo, MessageBox::Icon::Question,
        MessageBox::Answer::Yes);
    if (answer != MessageBox::Answer::Yes) {
        return;
    }

    setStatus(QStringLiteral("アドレス帳フォルダ指定"));
    // An AddrBook copied from another machine usually lies under the home
    // folder, seldom beside the program, where the current directory is.
    const QString folderPath = zt::FolderDialog::browse(
        this, QStringLiteral("アドレス帳フォルダを選択してください"), QDir::homePath());
    if (const QString refusal = zt::folderRefusal(folderPath); !refusal.isEmpty()) {
        MessageBox::show(this, refusal, QStringLiteral("処理中断"), MessageBox::Buttons::Ok,
                         MessageBox::Icon::Exclamation);
        return;
    }

    setStatus(QStringLiteral("データクリア"));
    const zt::ImportSummary summary =
        zt::importAddressBook(db_, folderPath, [this](const QString& text) { setStatus(text); });

    MessageBox::show(this, zt::completionText(summary), QStringLiteral("正常終了"), MessageBox::Buttons::Ok,
                     MessageBox::Icon::Information);
}
