#pragma once

#include <QString>

#include "shell/job_window.h"

namespace zt {
class Database;
}

// The body the CSV, vCard, Outlook CSV and LDIF windows share: one file in the working folder,
// described at load as what is written, where, and that it will be.
class OutputJobWindow : public JobWindow {
    Q_OBJECT
public:
    // `format` is the description's first part, naming what the file holds.
    OutputJobWindow(const QString& name, const QString& caption, zt::Database& db, const QString& folder,
                    const QString& fileName, const QString& format);

    QString OutputPath;

protected:
    // The completion box: the file written, then `whereToTakeIt`; then the
    // box that points to the loss report when the writer had `losses`.
    void reportWritten(const QString& whereToTakeIt, qsizetype losses);

    zt::Database& db_;

private:
    void Form_Load(const QString& format);
};
