#pragma once

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "formats/loss_report.h"

class JobWindow;

namespace zt {
class Database;

// Shows how far a run has got, in the window's status label.
using Progress = std::function<void(const QString&)>;

// A drop-down list of numbered choices above the status label. Its window is
// 2190 twips high; the widths are in twips too.
struct ChoiceList {
    QString caption;    // the label left of the list
    QString name;       // the list's own name
    QStringList items;  // "<digit> <text>": the digit is what the writer is given
    int clientWidth;    // the window's
    int listWidth;
    int statusWidth;
    int buttonLeft;
    // Each item's completion text, in the items' order, shown after the file
    // written; none: the output's own text alone.
    QStringList done{};
};

// One output the program writes, and everything about it that the main menu,
// its job window and the tests need: a new output is a writer in formats/ and
// a row of outputs().
struct Output {
    QString window;         // the job window's own name, ZTAdrF02...
    QString caption;        // the window's title and the menu button's text
    QChar key;              // the menu button's number and access key
    QString command;        // its name on the command line: ZTADRCNV --write <command>
    QString fileName;       // written in the output folder
    QString description{};  // the status text's first line: what the file holds
    // The completion box's text (completion()). The text of an output with a
    // choice list without texts of its own names its file itself.
    QString done{};
    // Writes the file and its report; `choice` is the chosen item's digit
    // (none without a list). Returns the number of losses, as the writers do.
    qsizetype (*write)(Database& db, const OutputTarget& target, QChar choice, const Progress& progress);
    // The window hands the file to the desktop instead of a completion box.
    bool opensOnDesktop = false;
    std::optional<ChoiceList> choices{};

    // The file it writes in `folder`.
    QString pathIn(const QString& folder) const;
    // Where the output at `path` (kStandardOutput included) and its report go
    // when written from the working database `db`: the report beside the
    // file, or beside the database for what is written straight into.
    OutputTarget target(const Database& db, const QString& path) const;
    // What the completion box says once the output is at `path`, written
    // with the list's item `choice`.
    QString completion(const QString& path, QChar choice) const;
};

// Every output, in the main menu's order.
const QList<Output>& outputs();

// The row whose window is `window`; throws std::out_of_range for a name no row has.
const Output& output(QStringView window);

// What the user is told when a run wrote `target` with `losses` items it
// could not hold (none: nothing to tell): their number and the report to read.
QString lossesText(qsizetype losses, const OutputTarget& target);

// Why no output may be written to `target`, in the words of a 処理中断 box;
// empty when it may. The program's own files are refused (the working
// database `db`, its journal, the import report) and every file in the book
// folder of the last import, since a slip there loses what the database was
// filled from: the output and its report alike, links followed.
QString targetRefusal(Database& db, const OutputTarget& target);

// A new job window for `output`, writing into `folder`.
JobWindow* makeOutputWindow(const Output& output, Database& db, const QString& folder);

}  // namespace zt
