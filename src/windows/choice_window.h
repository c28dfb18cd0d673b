#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

#include "shell/job_window.h"

class QComboBox;
class QLabel;

namespace zt {
class Database;
}

// The body the EdMax and Tsurukame windows share: a caption and a drop-down list
// of numbered layouts above the status label, a load step that picks the first
// layout and names the target file, and a run that writes the file by the
// chosen layout and tells the user where to copy it.
class ChoiceJobWindow : public JobWindow {
    Q_OBJECT
public:
    struct Design {
        QString name;
        QString caption;
        int clientWidthTwips;  // the client area is this wide and 2190 twips high
        QString choiceCaption;
        QString listName;
        QStringList items;
        int listWidthTwips;
        int statusWidthTwips;
        int buttonLeftTwips;
        QString fileName;     // written in the working folder
        QString doneMessage;  // the completion box's text
    };

    ChoiceJobWindow(const Design& design, zt::Database& db, const QString& folder);

    QString OutputPath;
    QLabel* Label1;

protected:
    // Writes OutputPath by the layout whose number is `choice` (none when the
    // list's text is empty); returns the number of losses the writer reported.
    virtual qsizetype write(QChar choice) = 0;
    void runJob() override;

    zt::Database& db_;
    QComboBox* list_;

private:
    void Form_Load();
    QString doneMessage_;
};
