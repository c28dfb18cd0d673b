#include "app/main_menu.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSessionManager>
#include <algorithm>
#include <utility>

#include "app/version_caption.h"
#include "people/store_summary.h"
#include "platform/cp932.h"
#include "platform/fatal_error.h"
#include "platform/help_engine.h"
#include "platform/message_box.h"
#include "shell/status_label.h"
#include "shell/ui_font.h"
#include "windows/import_window.h"
#include "windows/outputs.h"
#include "windows/people_window.h"

using namespace Qt::StringLiterals;

namespace {

// The numbered buttons, in their order: the import, every output, and the
// list of the people.
struct MenuItem {
    QString window;
    QChar key;
    QString caption;
};

QList<MenuItem> menuItems() {
    QList<MenuItem> items{{QStringLiteral("ZTAdrF01"), u'1', ZTAdrF01::Caption}};
    for (const zt::Output& output : zt::outputs()) {
        items.append({output.window, output.key, output.caption});
    }
    items.append({QStringLiteral("ZTAdrF09"), QChar(items.last().key.unicode() + 1), ZTAdrF09::Caption});
    return items;
}

// Every numbered caption is padded to 43 half-width cells (a full-width
// character counts two, "&" none) with ideographic spaces, and a half-width
// one for an odd remainder. The buttons centre their text, so equal widths
// make the texts start in one column. The font is fixed-pitch and every
// caption is in CP932, so its bytes there are its cells.
QString padded(const MenuItem& item) {
    const QString text = u"(&"_s + item.key + u')' + item.caption;
    const qsizetype cells = zt::cp932::encode(text).size() - 1;
    QString caption = text + QString((43 - cells) / 2, QChar(0x3000));
    if ((43 - cells) % 2 != 0) {
        caption += u' ';
    }
    return caption;
}

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption, int top) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    JobWindow::place(button, 500, top, 4200, 450);
    return button;
}

// A window that something else owns (the help window, a message box) is
// part of its owner, not one of the program's own windows.
bool isUnownedWindow(const QWidget* w) {
    return w->parentWidget() == nullptr && (w->windowType() == Qt::Window || w->windowType() == Qt::Dialog);
}

// What the working database holds, in the menu's words: the hint before
// anything was imported; the counts, then when and from where, as far as the
// file kept them (a file an older program filled kept neither).
QString summaryText(const zt::StoreSummary& s) {
    if (!s.recorded && s.cards == 0 && s.groups == 0) {
        return QStringLiteral("最初に(1)でデータを取り込んでください。");
    }
    QString text = QStringLiteral("取込済み：%1 人（カード %2 枚、グループ %3 個）")
                       .arg(s.people)
                       .arg(s.cards)
                       .arg(s.groups);
    if (s.importedAt.isValid()) {
        text += QStringLiteral("\n取込日時：") + s.importedAt.toString(u"yyyy/MM/dd HH:mm");
    }
    if (!s.folder.isEmpty()) {
        text += QStringLiteral("\n取込元：") + QDir::toNativeSeparators(s.folder);
    }
    return text;
}

// The menu's designed height, which the summary may deepen.
constexpr int kHeightTwips = 6795;

}  // namespace

ZTAdrF00::ZTAdrF00(JobFactories jobs, zt::Database& db, const QString& helpFile)
    : QWidget(nullptr), factories_(std::move(jobs)), db_(db), helpFile_(helpFile) {
    setObjectName(QStringLiteral("ZTAdrF00"));
    setFixedSize(JobWindow::px(5130), JobWindow::px(kHeightTwips));
    setFont(ZTAdrM1::GothicFont(9));
    addJobButtons();
    addLabels();

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

void ZTAdrF00::addJobButtons() {
    for (const MenuItem& item : menuItems()) {
        const int number = jobs_.size() + 1;
        QPushButton* button =
            makeButton(this, u"Command"_s + item.key, padded(item), 200 + 500 * (number - 1));
        connect(button, &QPushButton::clicked, this, [this, number] { Command_Click(number); });
        jobs_.append({item.window, button, nullptr});
    }
    CommandEnd = makeButton(this, QStringLiteral("CommandEnd"), QStringLiteral("終了(&X)"), 5700);
    CommandEnd->setFont(ZTAdrM1::GothicFont(9.75, true));
    connect(CommandEnd, &QPushButton::clicked, this, &ZTAdrF00::CommandEnd_Click);

    for (qsizetype i = 1; i < jobs_.size(); ++i) {
        setTabOrder(jobs_[i - 1].button, jobs_[i].button);
    }
    setTabOrder(jobs_.last().button, CommandEnd);
    jobs_.first().button->setFocus();
}

void ZTAdrF00::addLabels() {
    Label1 = new StatusLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    JobWindow::place(Label1, 500, 6400, 4200, 200);
    Label2 = new QLabel(QStringLiteral("F1 で HELP表示"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    JobWindow::place(Label2, 3400, 0, 1300, 180);
    for (QLabel* label : {static_cast<QLabel*>(Label1), Label2}) {
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setTextFormat(Qt::PlainText);
    }
}

// The summary holds a folder's path, as long as the user's folders make it:
// it wraps, and the label and the window below it take the lines it needs,
// back to the designed height when it needs no more.
void ZTAdrF00::showSummary() {
    Label1->setText(summaryText(zt::readStoreSummary(db_)));
    const int designed = JobWindow::px(200);
    const int needed = std::max(designed, Label1->heightForWidth(Label1->width()));
    Label1->resize(Label1->width(), needed);
    setFixedSize(width(), JobWindow::px(kHeightTwips) + needed - designed);
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
    zt::runGuarded(this, [this] { showSummary(); });
}

QPushButton* ZTAdrF00::Command(int number) const {
    return jobs_.value(number - 1).button;
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
    for (const Job& job : jobs_) {
        if (job.open && job.open->isVisible()) {
            open.append(job.open.data());
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

void ZTAdrF00::Command_Click(int number) {
    if (number < 1 || number > jobs_.size()) {
        return;
    }
    QPointer<QWidget>& slot = jobs_[number - 1].open;
    const QString window = jobs_[number - 1].window;
    const std::function<QWidget*()> make = factories_.value(window);
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
            // Whatever the import did, it is over once its window is gone:
            // the summary and an open list of the people read what it left.
            if (window == u"ZTAdrF01") {
                connect(slot, &QObject::destroyed, this, [this] {
                    zt::runGuarded(this, [this] { showSummary(); });
                    for (const Job& job : std::as_const(jobs_)) {
                        if (auto* list = qobject_cast<ZTAdrF09*>(job.open.data());
                            list && list->isVisible()) {
                            list->reload();
                        }
                    }
                });
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
