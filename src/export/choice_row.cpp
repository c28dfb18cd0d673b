#include "export/choice_row.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "app/job_window.h"

ChoiceRow addChoiceRow(JobWindow* window, const QString& caption, const QString& listName,
                       const QStringList& items, int listWidthTwips) {
    auto* label = new QLabel(caption, window);
    label->setObjectName(QStringLiteral("Label1"));
    auto* list = new QComboBox(window);
    list->setObjectName(listName);
    list->setEditable(false);
    list->addItems(items);

    JobWindow::place(label, 100, 80, 1200, 195);
    list->move(JobWindow::px(1300), 0);
    list->resize(JobWindow::px(listWidthTwips), list->sizeHint().height());
    QWidget::setTabOrder(list, window->処理実行);
    return {label, list};
}

QChar choiceCharacter(const QComboBox* list) {
    const QString text = list->currentText();
    return text.isEmpty() ? QChar() : text.at(0);
}
