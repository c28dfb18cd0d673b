#pragma once

#include "windows/choice_window.h"

// The Tsurukame window: the user picks what the remarks hold, and a run writes
// the Tsurukame address book AdrBook.txt into the working folder.
class ZTAdrF06 : public ChoiceJobWindow {
    Q_OBJECT
public:
    ZTAdrF06(zt::Database& db, const QString& folder);

    QComboBox* 備考選択;

protected:
    qsizetype write(QChar choice) override;
};
