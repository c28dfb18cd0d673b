#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace zt {

class TextFileWriter;

// Where an output goes, and what heads its report.
struct OutputTarget {
    QString path;        // the file written; kStandardOutput (replacement_file.h) for standard output
    QString caption;     // the output as its window's caption names it ("CSV 出力")
    QString reportPath;  // its report; empty: beside the file (reportPathFor)

    QString report() const;
};

// What an output could not hold, gathered while the output is written: a
// character its code page lacks, a value its layout has no room for, a card
// property no output carries. finish() puts the output in place together
// with the list of the losses in its report, or with an earlier report removed
// when nothing was lost, so that a report never speaks of another run.
class LossReport {
public:
    explicit LossReport(const OutputTarget& target);

    // One loss: whose (the shown name), which field, and the value as it was.
    void add(QStringView who, QStringView field, QStringView value);
    // A loss when CP932 cannot hold `value` whole. Meant for the fields of a
    // line that TextFileWriter::writeLine said lost something, so a clean line
    // costs nothing.
    void addUnencodable(QStringView who, QStringView field, QStringView value);

    qsizetype count() const { return lines_.size(); }
    const QString& output() const { return target_.caption; }
    // The losses as the report lists them: who, field and value, escaped, TAB between.
    const QStringList& lines() const { return lines_; }

    // Puts `out` in place with the report (UTF-8, CR LF), or with an earlier
    // report removed, as TextFileWriter::commitWithReport does. Returns
    // count(). Throws zt::Error when either cannot be placed; both old files
    // then stay.
    qsizetype finish(TextFileWriter& out) const;

    // --- test seam: while testing, the report is dated 2024/04/01 09:00.
    static void setTesting(bool on);

private:
    OutputTarget target_;
    QStringList lines_;
};

}  // namespace zt
