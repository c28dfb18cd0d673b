#include "platform/message_box.h"

#include <QMessageBox>
#include <QPushButton>

#include "platform/console.h"

namespace zt {
namespace {

struct Seam {
    bool testing = false;
    bool console = false;
    QList<MessageBox::Answer> answers;
    QList<MessageBox::Shown> shown;
};

Seam& seam() {
    static Seam s;
    return s;
}

QMessageBox::Icon qtIcon(MessageBox::Icon icon) {
    switch (icon) {
        case MessageBox::Icon::Question:
            return QMessageBox::Question;
        case MessageBox::Icon::Exclamation:
            return QMessageBox::Warning;
        case MessageBox::Icon::Information:
            return QMessageBox::Information;
        case MessageBox::Icon::Critical:
            return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

MessageBox::Answer MessageBox::show(QWidget* owner, const QString& text, const QString& title,
                                    Buttons buttons, Icon icon, Answer defaultAnswer) {
    Seam& s = seam();
    if (s.testing) {
        s.shown.append(Shown{text, title, icon, buttons, defaultAnswer, owner});
        return s.answers.isEmpty() ? defaultAnswer : s.answers.takeFirst();
    }
    if (s.console) {
        tellCommandLine(ConsoleStream::Error,
                        QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")) + u'\n');
        return defaultAnswer;
    }

    QMessageBox box(qtIcon(icon), title, QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                    QMessageBox::NoButton, owner);
    // Nothing else of the program may react while the question is open.
    box.setWindowModality(Qt::ApplicationModal);
    if (buttons == Buttons::YesNo) {
        QPushButton* yes = box.addButton(QMessageBox::Yes);
        QPushButton* no = box.addButton(QMessageBox::No);
        box.setDefaultButton(defaultAnswer == Answer::Yes ? yes : no);
        // Escape and the close button mean No: the cautious answer.
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes ? Answer::Yes : Answer::No;
    }
    QPushButton* ok = box.addButton(QMessageBox::Ok);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
    return Answer::Ok;
}

void MessageBox::setTesting(bool on) {
    seam().testing = on;
    seam().answers.clear();
}

void MessageBox::setConsole(bool on) {
    seam().console = on;
}

void MessageBox::setNextAnswer(Answer answer) {
    seam().answers.append(answer);
}

const QList<MessageBox::Shown>& MessageBox::shown() {
    return seam().shown;
}

void MessageBox::clearShown() {
    seam().shown.clear();
}

}  // namespace zt
