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
// the working database when made and again after each import (reload), and
// changes nothing. Like the job
// windows it stands beside the main menu, unowned, and is gone once closed
// (Esc or the close box).
//
// Reading and marking 100,000 people takes seconds, so the window opens at
// once and the people arrive in batches from a thread of its own, on a
// connection of its own to `db`'s file; the search works on those already
// there and on each batch as it comes.
class ZTAdrF09 : public QWidget {
    Q_OBJECT
public:
    explicit ZTAdrF09(zt::Database& db);
    ~ZTAdrF09() override;

    // The window's title, which the main menu's button shows too.
    static const QString Caption;

    QLineEdit* Search;
    QTableView* List;
    QLabel* Count;           // "N 人中 M 人を表示"
    QPlainTextEdit* Losses;  // what the reports will say of the current person
    PeopleModel* Model;

    bool isLoading() const;
    // Reads the people again, as the working database now holds them; the
    // search typed stays.
    void reload();

signals:
    // Every person is in the list (or reading failed, which has been reported).
    void loaded();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showCount();
    void showLosses();
    void loadingEnded();

    class Loader;
    void startLoading();

    QString dbPath_;
    Loader* loader_ = nullptr;
    bool loading_ = true;
    QLabel* legend_;
};
