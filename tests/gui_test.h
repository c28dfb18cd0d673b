#pragma once

// The fixture every window test shares: each test starts with the test seams
// reset and an empty working database and program folder of its own, and
// opens the real windows offscreen.

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include "platform/fatal_error.h"
#include "platform/message_box.h"
#include "platform/test_seams.h"
#include "shell/job_window.h"
#include "test_support.h"

class GuiTest : public QObject {
protected:
    // Call from the test's init().
    void reset() {
        zt::enableTestSeams();
        // Start-up names the application; the error box is titled with it.
        QCoreApplication::setApplicationName(u"Norrik!アドレス帳移行支援"_qs);
        work = std::make_unique<WorkDb>();
    }

    static void show(QWidget* window) {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }

    // Clicks the run button as the user does; true once the window has
    // closed itself and is gone.
    static bool run(JobWindow* window) {
        QPointer<JobWindow> alive = window;
        QTest::mouseClick(window->処理実行, Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return alive.isNull();
    }

    // Every message box shown so far: title|icon|buttons|text, the icon as
    // ? ! i x (question, exclamation, information, critical), the buttons as
    // Ok or YesNo, with "yes" added where Yes is the default.
    static QStringList boxes() {
        QStringList out;
        for (const zt::MessageBox::Shown& s : zt::MessageBox::shown()) {
            const bool yesNo = s.buttons == zt::MessageBox::Buttons::YesNo;
            out << QStringList{s.title, QString(u"?!ix"_qs[int(s.icon)]),
                               yesNo ? (s.defaultAnswer == zt::MessageBox::Answer::Yes ? u"YesNo yes"_qs
                                                                                       : u"YesNo"_qs)
                                     : u"Ok"_qs,
                               s.text}
                       .join(u'|');
        }
        return out;
    }

    // The box of a fatal error with `text`.
    static QString fatal(const QString& text) { return u"Norrik!アドレス帳移行支援|x|Ok|"_qs + text; }

    std::unique_ptr<WorkDb> work;
};
