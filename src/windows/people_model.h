#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <vector>

#include "card/person.h"

// The people as the four person outputs write them, one row each, read once
// and kept as the texts the list shows, with a mark on each person a loss
// report would name and a filter that keeps the rows whose name, reading,
// e-mail addresses, phones, company or groups hold every word typed. Read-only.
class PeopleModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Mark, Name, Reading, Emails, Phones, Company, Groups, ColumnCount };
    // What the reports would say of the row's person, one loss a line ("" when nothing).
    static constexpr int LossesRole = Qt::UserRole;

    // A person as the list shows it: the columns' texts (the Mark column's is
    // what the reports would say of it) and the searched fields, folded as the
    // filter folds a word. Made apart from the model, so that a loader may make
    // rows while the window stays responsive.
    struct Row {
        QString columns[ColumnCount];
        QString search;
    };
    static Row rowOf(const zt::Person& p);

    explicit PeopleModel(QObject* parent = nullptr);

    // Replaces the rows with every person `people` hands over, in its order,
    // and clears the filter.
    void load(const zt::PersonSource& people);
    // Adds `rows` after the others, showing those the filter keeps.
    void append(std::vector<Row> rows);

    // Shows the rows that hold every word of `text` (split at white space),
    // regardless of case, full or half width, hiragana or katakana; a word of
    // digits and the signs a phone number is written with also matches the
    // number's digits alone. An empty text shows every row.
    void setFilter(const QString& text);
    QString filter() const { return filter_; }

    qsizetype totalCount() const { return qsizetype(people_.size()); }
    qsizetype markedCount() const { return marked_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    // A typed word, folded, and the digits alone where it looks like a phone number.
    struct Word {
        QString text;
        QString digits;
    };
    bool kept(const Row& row) const;

    std::vector<Row> people_;
    std::vector<int> shown_;  // indexes into people_, in order
    qsizetype marked_ = 0;
    QString filter_;
    std::vector<Word> words_;
};
