#pragma once

#include "shell/choice_window.h"

// The Tsurukame window: the user picks what the remarks hold, and a run writes
// the Tsurukame address book AdrBook.txt into the program folder.
class ZTAdrF06 : public ChoiceJobWindow {
    Q_OBJECT
public:
    ZTAdrF06(zt::Database& db, const QString& programFolder);

    QComboBox* 備考選択;

protected:
    void write(QChar choice) override;
};
