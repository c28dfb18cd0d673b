#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

class QComboBox;
class QLabel;
class JobWindow;

// The top row that the EdMax and Tsurukame windows share: a fixed caption and a
// drop-down list of numbered layouts, the first one chosen.
struct ChoiceRow {
    QLabel* label;
    QComboBox* list;
};
ChoiceRow addChoiceRow(JobWindow* window, const QString& caption, const QString& listName,
                       const QStringList& items, int listWidthTwips);

// A run goes by the first character of the list's text; none when it is empty.
QChar choiceCharacter(const QComboBox* list);
