#include "windows/edmax_window.h"

#include "formats/edmax_writer.h"

ZTAdrF05::ZTAdrF05(zt::Database& db, const QString& folder)
    : ChoiceJobWindow(
          {
              QStringLiteral("ZTAdrF05"),
              QStringLiteral("EdMax アドレス帳作成"),
              // Wider than its Tsurukame sibling so that the longest layout,
              // item 1, shows whole.
              5400,
              QStringLiteral("メモ欄の扱い"),
              QStringLiteral("メモ選択"),
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
              3900,
              4800,
              3400,
              QStringLiteral("常用アドレス.adr"),
              QStringLiteral("EdMax用のアドレス帳(常用アドレス.adr)を作成しました。\r\n"
                             "C:\\Program Files\\EdMax\\Address フォルダにコピーしてください。"),
          },
          db, folder),
      メモ選択(list_) {}

qsizetype ZTAdrF05::write(QChar layout) {
    return zt::writeEdMax(db_, OutputPath, layout, [this](zt::EdMaxPass pass) {
        setStatus(pass == zt::EdMaxPass::Groups ? QStringLiteral("グループ出力中")
                                                : QStringLiteral("アドレス出力中"));
    });
}
