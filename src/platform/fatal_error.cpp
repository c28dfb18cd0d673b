#include "platform/fatal_error.h"

#include <QCoreApplication>

#include "platform/message_box.h"

namespace zt {
namespace {

struct State {
    bool reported = false;
    bool testing = false;
    QStringList texts;
};

State& state() {
    static State s;
    return s;
}

}  // namespace

void reportFatalError(QWidget* owner, const QString& text) {
    State& s = state();
    s.reported = true;
    if (s.testing) {
        s.texts.append(text);
    }
    MessageBox::show(owner, text, QCoreApplication::applicationName(), MessageBox::Buttons::Ok,
                     MessageBox::Icon::Critical);
    // Without a running event loop this does nothing; start-up then returns
    // fatalErrorReported() as the exit status itself.
    if (!s.testing && QCoreApplication::instance() != nullptr) {
        QCoreApplication::exit(1);
    }
}

bool fatalErrorReported() {
    return state().reported;
}

void setFatalErrorTesting(bool on) {
    state().testing = on;
}

const QStringList& fatalErrorsReported() {
    return state().texts;
}

void clearFatalErrors() {
    state().texts.clear();
    state().reported = false;
}

}  // namespace zt
