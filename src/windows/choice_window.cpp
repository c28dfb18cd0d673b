#include "windows/choice_window.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>

#include "platform/message_box.h"

ChoiceJobWindow::ChoiceJobWindow(const Design& design, zt::Database& db, const QString& folder)
    : JobWindow(design.name, design.caption, design.clientWidthTwips, 2190),
      OutputPath(folder + u'/' + design.fileName),
      db_(db),
      doneMessage_(design.doneMessage) {
    Label1 = new QLabel(design.choiceCaption, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    place(Label1, 100, 80, 1200, 195);
    list_ = new QComboBox(this);
    list_->setObjectName(design.listName);
    list_->setEditable(false);
    list_->addItems(design.items);
    list_->move(px(1300), 0);
    list_->resize(px(design.listWidthTwips), list_->sizeHint().height());
    setTabOrder(list_, 処理実行);

    place(状況表示, 300, 500, design.statusWidthTwips, 800);
    place(処理実行, design.buttonLeftTwips, 1500, 1800, 400);
    Form_Load();
}

void ChoiceJobWindow::Form_Load() {
    list_->setCurrentIndex(0);
    setStatus(QDir::toNativeSeparators(OutputPath) + QStringLiteral("\r\nに出力します。"));
}

void ChoiceJobWindow::runJob() {
    const QString text = list_->currentText();
    const qsizetype losses = write(text.isEmpty() ? QChar() : text.at(0));
    zt::MessageBox::show(this, doneMessage_, QStringLiteral("処理完了"), zt::MessageBox::Buttons::Ok,
                         zt::MessageBox::Icon::Information);
    tellLosses(losses, OutputPath);
}
