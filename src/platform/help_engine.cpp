#include "platform/help_engine.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>

#include "platform/message_box.h"

namespace zt {
namespace {

const QString kWindowName = QStringLiteral("zt_help_window");
const QString kTitle = QStringLiteral("ヘルプ");

struct Seam {
    bool testing = false;
    QList<HelpEngine::Call> calls;
};

Seam& seam() {
    static Seam s;
    return s;
}

void complain(QWidget* owner, const QString& text, const QString& path) {
    MessageBox::show(owner, text + QStringLiteral("\r\n") + QDir::toNativeSeparators(path), kTitle,
                     MessageBox::Buttons::Ok, MessageBox::Icon::Exclamation);
}

// A help window without an owner; with one, the window is found among the
// owner's children, so it goes away with the owner.
QPointer<QWidget>& unownedHelpWindow() {
    static QPointer<QWidget> window;
    return window;
}

QWidget* findHelpWindow(QWidget* owner) {
    if (owner == nullptr) {
        return unownedHelpWindow();
    }
    return owner->findChild<QWidget*>(kWindowName, Qt::FindDirectChildrenOnly);
}

QWidget* createHelpWindow(QWidget* owner) {
    // Qt::Window makes a top-level window that still belongs to its owner.
    auto* window = new QWidget(owner, Qt::Window);
    window->setObjectName(kWindowName);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(kTitle);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* browser = new QTextBrowser(window);
    browser->setOpenExternalLinks(true);
    layout->addWidget(browser);
    // Like every other window of the program, it is left with the keyboard too.
    QObject::connect(new QShortcut(QKeySequence(Qt::Key_Escape), window), &QShortcut::activated, window,
                     &QWidget::close);
    window->resize(640, 480);
    if (owner == nullptr) {
        unownedHelpWindow() = window;
    }
    return window;
}

}  // namespace

void HelpEngine::showContents(QWidget* owner, const QString& helpFile) {
    Seam& s = seam();
    if (s.testing) {
        s.calls.append(Call{owner, helpFile});
        return;
    }

    const QFileInfo info(helpFile);
    if (!info.exists()) {
        complain(owner, QStringLiteral("ヘルプファイルが見つかりません。"), helpFile);
        return;
    }
    if (!info.isFile() || info.size() == 0 || !info.isReadable()) {
        complain(owner, QStringLiteral("ヘルプファイルを表示できません。"), helpFile);
        return;
    }
    QWidget* window = findHelpWindow(owner);
    if (window == nullptr) {
        window = createHelpWindow(owner);
    }
    // Relative links and pictures are looked up beside the help file.
    window->findChild<QTextBrowser*>()->setSource(QUrl::fromLocalFile(info.absoluteFilePath()),
                                                  QTextDocument::HtmlResource);
    window->show();
    window->raise();
    window->activateWindow();
}

void HelpEngine::setTesting(bool on) {
    seam().testing = on;
}

const QList<HelpEngine::Call>& HelpEngine::calls() {
    return seam().calls;
}

void HelpEngine::clearCalls() {
    seam().calls.clear();
}

}  // namespace zt
