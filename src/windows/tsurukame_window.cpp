#include "windows/tsurukame_window.h"

#include "formats/tsurukame_writer.h"

ZTAdrF06::ZTAdrF06(zt::Database& db, const QString& folder)
    : ChoiceJobWindow(
          {
              QStringLiteral("ZTAdrF06"),
              QStringLiteral("鶴亀アドレス帳作成"),
              4680,
              QStringLiteral("備考欄の扱い"),
              QStringLiteral("備考選択"),
              {
                  QStringLiteral("1 会社名,部署名,役職"),
                  QStringLiteral("2 会社名,部署名"),
                  QStringLiteral("3 会社名,役職"),
                  QStringLiteral("4 会社名"),
                  QStringLiteral("5 [出力なし]"),
              },
              3200,
              4000,
              2500,
              QStringLiteral("AdrBook.txt"),
              QStringLiteral("鶴亀用のアドレス帳(AdrBook.txt)を作成しました。\r\n"
                             "C:\\TuruKameData フォルダにコピーしてください。"),
          },
          db, folder),
      備考選択(list_) {}

qsizetype ZTAdrF06::write(QChar choice) {
    setStatus(QStringLiteral("出力中"));
    return zt::writeTsurukame(db_, OutputPath, choice);
}
