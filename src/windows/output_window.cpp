#include "windows/output_window.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>

#include "platform/desktop.h"
#include "platform/message_box.h"

OutputJobWindow::OutputJobWindow(const zt::Output& output, zt::Database& db, const QString& folder)
    : JobWindow(output.window, output.caption, output.choices ? output.choices->clientWidth : 4680,
                output.choices ? 2190 : 1890),
      OutputPath(output.pathIn(folder)),
      output_(output),
      db_(db) {
    if (output.choices) {
        addChoiceList(*output.choices);
    } else {
        place(状況表示, 300, 200, 4000, 800);
        place(処理実行, 2500, 1200, 1800, 400);
    }
    Form_Load();
}

void OutputJobWindow::addChoiceList(const zt::ChoiceList& choices) {
    Label1 = new QLabel(choices.caption, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    place(Label1, 100, 80, 1200, 195);
    list_ = new QComboBox(this);
    list_->setObjectName(choices.name);
    list_->setEditable(false);
    list_->addItems(choices.items);
    list_->move(px(1300), 0);
    list_->resize(px(choices.listWidth), list_->sizeHint().height());
    setTabOrder(list_, 処理実行);
    place(状況表示, 300, 500, choices.statusWidth, 800);
    place(処理実行, choices.buttonLeft, 1500, 1800, 400);
}

void OutputJobWindow::Form_Load() {
    QString status = QDir::toNativeSeparators(OutputPath) + QStringLiteral("\r\nに出力します。");
    if (!output_.description.isEmpty()) {
        status.prepend(output_.description + QStringLiteral("\r\n"));
    }
    if (list_) {
        list_->setCurrentIndex(0);
    }
    setStatus(status);
}

void OutputJobWindow::runJob() {
    const zt::OutputTarget target = output_.target(db_, OutputPath);
    if (const QString refusal = zt::targetRefusal(db_, target); !refusal.isEmpty()) {
        zt::MessageBox::show(this, refusal, QStringLiteral("処理中断"), zt::MessageBox::Buttons::Ok,
                             zt::MessageBox::Icon::Exclamation);
        return;
    }
    const QString chosen = list_ ? list_->currentText() : QString();
    const QChar choice = chosen.isEmpty() ? QChar() : chosen.at(0);
    const qsizetype losses =
        output_.write(db_, target, choice, [this](const QString& text) { setStatus(text); });
    if (output_.opensOnDesktop) {
        zt::Desktop::openWithDefaultApp(this, OutputPath);
    } else {
        zt::MessageBox::show(this, output_.completion(OutputPath, choice), QStringLiteral("処理完了"),
                             zt::MessageBox::Buttons::Ok, zt::MessageBox::Icon::Information);
    }
    if (losses > 0) {
        zt::MessageBox::show(this, zt::lossesText(losses, target), QStringLiteral("確認"),
                             zt::MessageBox::Buttons::Ok, zt::MessageBox::Icon::Information);
    }
}
