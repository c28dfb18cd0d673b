#pragma once

#include <QString>
#include <QStringList>
#include <exception>

#include "platform/error.h"

class QWidget;

namespace zt {

// Shows a failure that is not one of the user's own choices (a database error,
// a file that cannot be written) in a critical message box titled with the
// application's name, with the error's own text, then ends the program with a
// non-zero status.
void reportFatalError(QWidget* owner, const QString& text);

// True once reportFatalError has run; main() turns it into the exit status.
bool fatalErrorReported();

// Runs `job`, turning any exception into reportFatalError, so that nothing
// escapes into the event loop. Returns false when the job failed.
template <class Job>
bool runGuarded(QWidget* owner, Job&& job) {
    try {
        job();
        return true;
    } catch (const std::exception& e) {
        reportFatalError(owner, QString::fromUtf8(e.what()));
    } catch (...) {
        reportFatalError(owner, QStringLiteral("不明なエラーが発生しました。"));
    }
    return false;
}

// --- test seam: while testing, the error is recorded and shown through
// MessageBox's seam, and the program is not ended.
void setFatalErrorTesting(bool on);
const QStringList& fatalErrorsReported();
void clearFatalErrors();

}  // namespace zt
