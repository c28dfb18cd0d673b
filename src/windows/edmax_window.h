#pragma once

#include "windows/choice_window.h"

// The EdMax window: the user picks a memo layout, and a run writes the EdMax
// address book 常用アドレス.adr into the working folder.
class ZTAdrF05 : public ChoiceJobWindow {
    Q_OBJECT
public:
    ZTAdrF05(zt::Database& db, const QString& folder);

    QComboBox* メモ選択;

protected:
    qsizetype write(QChar layout) override;
};
