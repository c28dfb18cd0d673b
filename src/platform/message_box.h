#pragma once

#include <QList>
#include <QString>

class QWidget;

namespace zt {

// Every message box of the program goes through here, so that tests can give
// the answer and read what the user was shown.
class MessageBox {
public:
    enum class Icon { Question, Exclamation, Information, Critical };
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No };

    struct Shown {
        QString text;  // as the caller gave it (CR LF kept)
        QString title;
        Icon icon;
        Buttons buttons;
        Answer defaultAnswer;
        QWidget* owner;
    };

    // Modal. A CR LF in the text shows as a line break. Buttons show in the
    // UI language (はい/いいえ/OK once the Japanese translation is loaded).
    static Answer show(QWidget* owner, const QString& text, const QString& title, Buttons buttons, Icon icon,
                       Answer defaultAnswer = Answer::Ok);

    // For a run without windows: each text goes to standard error instead, and
    // the default answer is taken.
    static void setConsole(bool on);

    // --- test seam ---
    // While testing, nothing is displayed: each call is recorded and answered
    // with the next queued answer, or with its default when the queue is empty.
    static void setTesting(bool on);
    static void setNextAnswer(Answer answer);
    static const QList<Shown>& shown();
    static void clearShown();
};

}  // namespace zt
