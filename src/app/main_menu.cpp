#include "app/main_menu.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSessionManager>
#include <utility>

#include "app/version_caption.h"
#include "platform/fatal_error.h"
#include "platform/help_engine.h"
#include "platform/message_box.h"
#include "shell/ui_font.h"

namespace {

// Every numbered caption is padded with ideographic spaces to 43 half-width
// cells (a full-width character counts two, "&" none). The buttons centre
// their text, so equal widths make the texts start in one column.
QString padded(const QString& text, int ideographicSpaces) {
    return text + QString(ideographicSpaces, QChar(0x3000));
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, int top) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    JobWindow::place(button, 500, top, 4200, 450);
    return button;
}

// A window that something else owns (the help window, a message box) is
// part of its owner, not one of the program's own windows.
bool isUnownedWindow(const QWidget* w) {
    return w->parentWidget() == nullptr && (w->windowType() == Qt::Window || w->windowType() == Qt::Dialog);
}

}  // namespace

ZTAdrF00::ZTAdrF00(JobFactories jobs, const QString& helpFile)
    : QWidget(nullptr), jobs_(std::move(jobs)), helpFile_(helpFile) {
    setObjectName(QStringLiteral("ZTAdrF00"));
    setFixedSize(JobWindow::px(5130), JobWindow::px(6795));
    setFont(ZTAdrM1::GothicFont(9));

    Command1 = makeButton(this, "Command1", padded(QStringLiteral("(&1)アドレス帳データを取り込み"), 7), 200);
    Command2 = makeButton(this, "Command2", padded(QStringLiteral("(&2)CSV 出力"), 16), 700);
    Command3 = makeButton(this, "Command3", padded(QStringLiteral("(&3)vCard 出力"), 15), 1200);
    // 22 cells: an odd remainder, so one half-width space joins the padding.
    Command4 =
        makeButton(this, "Command4", padded(QStringLiteral("(&4)Outlook 用 CSV 出力"), 10) + u' ', 1700);
    Command5 = makeButton(this, "Command5", padded(QStringLiteral("(&5)EdMax アドレス帳作成"), 10), 2200);
    Command6 = makeButton(this, "Command6", padded(QStringLiteral("(&6)鶴亀アドレス帳作成"), 11), 2700);
    Command7 = makeButton(this, "Command7", padded(QStringLiteral("(&7)Thunderbird 用 LDIF 出力"), 8), 3200);
    Command8 = makeButton(this, "Command8", padded(QStringLiteral("(&8)Google 用 CSV 出力"), 11), 3700);
    Command9 = makeButton(this, "Command9", padded(QStringLiteral("(&9)"), 20), 4200);
    CommandEnd = makeButton(this, "CommandEnd", QStringLiteral("終了(&X)"), 5700);
    CommandEnd->setFont(ZTAdrM1::GothicFont(9.75, true));

    // The spare keeps its caption and place but is never shown, so it cannot
    // take the focus.
    Command9->hide();

    Label1 = new QLabel(QStringLiteral("最初に(1)でデータを取り込んでください。"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    JobWindow::place(Label1, 500, 6400, 4200, 200);
    Label2 = new QLabel(QStringLiteral("F1 で HELP表示"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    JobWindow::place(Label2, 3400, 0, 1300, 180);
    for (QLabel* label : {Label1, Label2}) {
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setTextFormat(Qt::PlainText);
    }

    const QList<QPushButton*> tabOrder{Command1, Command2, Command3, Command4, Command5,
                                       Command6, Command7, Command8, Command9, CommandEnd};
    for (qsizetype i = 1; i < tabOrder.size(); ++i) {
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }
    Command1->setFocus();

    connect(Command1, &QPushButton::clicked, this, &ZTAdrF00::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &ZTAdrF00::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &ZTAdrF00::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &ZTAdrF00::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &ZTAdrF00::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &ZTAdrF00::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &ZTAdrF00::Command7_Click);
    connect(Command8, &QPushButton::clicked, this, &ZTAdrF00::Command8_Click);
    connect(CommandEnd, &QPushButton::clicked, this, &ZTAdrF00::CommandEnd_Click);

    // Keyboard preview: F1 must be seen whichever of our controls has the
    // focus, before the control itself gets the key.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>()) {
        child->installEventFilter(this);
    }

#if QT_CONFIG(sessionmanager)
    connect(qApp, &QGuiApplication::commitDataRequest, this, &ZTAdrF00::commitData);
#endif

    Form_Load();
}

namespace {

void bringToFront(QWidget* window) {
    if (window->isMinimized()) {
        window->showNormal();
    } else {
        window->show();
    }
    window->raise();
    window->activateWindow();
}

}  // namespace

void ZTAdrF00::Form_Load() {
    ZTAdrM1::SetVersionCaption(this);
}

void ZTAdrF00::Command1_Click() {
    showJob(importWindow_, jobs_.import);
}

void ZTAdrF00::Command2_Click() {
    showJob(csvWindow_, jobs_.csv);
}

void ZTAdrF00::Command3_Click() {
    showJob(vcardWindow_, jobs_.vcard);
}

void ZTAdrF00::Command4_Click() {
    showJob(outlookWindow_, jobs_.outlook);
}

void ZTAdrF00::Command5_Click() {
    showJob(edmaxWindow_, jobs_.edmax);
}

void ZTAdrF00::Command6_Click() {
    showJob(tsurukameWindow_, jobs_.tsurukame);
}

void ZTAdrF00::Command7_Click() {
    showJob(ldifWindow_, jobs_.ldif);
}

void ZTAdrF00::Command8_Click() {
    showJob(googleWindow_, jobs_.google);
}

void ZTAdrF00::CommandEnd_Click() {
    // The same path as the close box, so the close check always runs.
    close();
}

bool ZTAdrF00::Form_KeyDown(int key, Qt::KeyboardModifiers /*modifiers: any*/) {
    if (key != Qt::Key_F1) {
        return false;
    }
    zt::runGuarded(this, [this] { zt::HelpEngine::showContents(this, helpFile_); });
    return true;
}

bool ZTAdrF00::Form_QueryUnload() {
    if (otherOpenWindows().isEmpty()) {
        return false;
    }
    zt::MessageBox::show(this, QStringLiteral("他のフォームが開いているので終了できません。"),
                         QStringLiteral("終了不可"), zt::MessageBox::Buttons::Ok,
                         zt::MessageBox::Icon::Critical);
    // A job window may have closed while the box was up; look again.
    const QList<QWidget*> open = otherOpenWindows();
    if (!open.isEmpty()) {
        bringToFront(open.first());
    }
    return true;
}

QList<QWidget*> ZTAdrF00::otherOpenWindows() const {
    QList<QWidget*> open;
    for (const QPointer<JobWindow>& job : {importWindow_, csvWindow_, vcardWindow_, outlookWindow_,
                                           edmaxWindow_, tsurukameWindow_, ldifWindow_, googleWindow_}) {
        if (job && job->isVisible()) {
            open.append(job.data());
        }
    }
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w != this && w->isVisible() && isUnownedWindow(w) && !open.contains(w)) {
            open.append(w);
        }
    }
    return open;
}

void ZTAdrF00::closeEvent(QCloseEvent* event) {
    if (Form_QueryUnload()) {
        event->ignore();
        return;
    }
    event->accept();
    emit menuClosed();
}

bool ZTAdrF00::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // F1 is consumed once handled: a button does nothing with it, and an
        // ignored key would travel on to the window and open the help twice.
        if (Form_KeyDown(key->key(), key->modifiers())) {
            key->accept();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ZTAdrF00::showJob(QPointer<JobWindow>& slot, const std::function<JobWindow*()>& make) {
    // A job window's load step may fail (a database error); that is reported
    // like any other failure instead of escaping into the event loop.
    zt::runGuarded(this, [&] {
        // A job window that has closed may still await its deferred deletion;
        // it is finished, so the click makes a fresh one.
        if (slot && !slot->isVisible()) {
            slot->deleteLater();
            slot = nullptr;
        }
        if (!slot) {
            if (!make) {
                return;
            }
            slot = make();
            if (!slot) {
                return;
            }
        }
        bringToFront(slot);
    });
}

void ZTAdrF00::commitData(QSessionManager& manager) {
#if QT_CONFIG(sessionmanager)
    // The desktop session is ending: the same check as any other close
    // request, but it can only object when the session lets it ask the user.
    if (otherOpenWindows().isEmpty() || !manager.allowsInteraction()) {
        return;
    }
    Form_QueryUnload();
    manager.release();
    manager.cancel();
#else
    Q_UNUSED(manager);
#endif
}
