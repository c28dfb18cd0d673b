#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTableView;
class PeopleModel;

namespace zt {
class Database;
}

// The list of the people (人物一覧): every person as the vCard, Outlook, LDIF
// and Google outputs will write them, a mark on each one their loss reports
// will name, and a search field that narrows the list as one types. It reads
// the working database once, when made, and changes nothing. Like the job
// windows it stands beside the main menu, unowned, and is gone once closed
// (Esc or the close box).
class ZTAdrF09 : public QWidget {
    Q_OBJECT
public:
    explicit ZTAdrF09(zt::Database& db);

    // The window's title, which the main menu's button shows too.
    static const QString Caption;

    QLineEdit* Search;
    QTableView* List;
    QLabel* Count;           // "N 人中 M 人を表示"
    QPlainTextEdit* Losses;  // what the reports will say of the current person
    PeopleModel* Model;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showCount();
    void showLosses();
};
