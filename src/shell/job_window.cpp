#include "shell/job_window.h"

#include <QPushButton>

#include "platform/fatal_error.h"
#include "platform/message_box.h"

JobWindow::JobWindow(const QString& name, const QString& caption, int clientWidthTwips, int clientHeightTwips)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
    // A fixed-size window has nothing to maximise.
    // No owner: a job window lives beside the main menu, not on top of it, and
    // is gone (and created afresh next time) once closed.
    setObjectName(name);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(caption);
    setFixedSize(px(clientWidthTwips), px(clientHeightTwips));

    状況表示 = new StatusLabel(this);
    状況表示->setObjectName(QStringLiteral("状況表示"));
    状況表示->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    状況表示->hide();

    処理実行 = new QPushButton(QStringLiteral("処理実行"), this);
    処理実行->setObjectName(QStringLiteral("処理実行"));
    処理実行->setDefault(true);
    connect(処理実行, &QPushButton::clicked, this, &JobWindow::処理実行_Click);
}

void JobWindow::place(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(px(left), px(top), px(width), px(height));
}

void JobWindow::setStatus(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    状況表示->setText(shown);
    fitStatus();
    状況表示->show();
    // The run never yields to the event loop, so paint now or the user sees
    // nothing until it ends.
    repaint();
}

// In every job window the run button lies below the status label, so it keeps
// its distance by moving down with the label's lower edge.
void JobWindow::fitStatus() {
    const int designedHeight = 状況表示->height() - statusGrowth_;
    const int growth = 状況表示->heightForWidth(状況表示->width()) - designedHeight;
    if (growth <= statusGrowth_) {
        return;
    }
    const int by = growth - statusGrowth_;
    statusGrowth_ = growth;
    状況表示->resize(状況表示->width(), 状況表示->height() + by);
    処理実行->move(処理実行->x(), 処理実行->y() + by);
    setFixedSize(width(), height() + by);
}

void JobWindow::処理実行_Click() {
    処理実行->setEnabled(false);
    zt::runGuarded(this, [this] { runJob(); });
    close();
}
