#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

namespace zt {

// What an output could not hold, gathered while the output is written: a
// character its code page lacks, a value its layout has no room for, a card
// property no output carries. Once the output is in place, finish() lists the
// losses beside it in <output>.report.txt, or removes an earlier report when
// nothing was lost, so that a report never speaks of another run.
class LossReport {
public:
    // `output` names the output as its window's caption does ("CSV 出力");
    // `path` is the output file.
    LossReport(const QString& output, const QString& path);

    // One loss: whose (the shown name), which field, and the value as it was.
    void add(QStringView who, QStringView field, QStringView value);
    // A loss when CP932 cannot hold `value` whole. Meant for the fields of a
    // line that TextFileWriter::writeLine said lost something, so a clean line
    // costs nothing.
    void addUnencodable(QStringView who, QStringView field, QStringView value);

    qsizetype count() const { return lines_.size(); }
    const QString& output() const { return output_; }
    // The losses as the report lists them: who, field and value, escaped, TAB between.
    const QStringList& lines() const { return lines_; }

    // The report that belongs to the output at `outputPath`.
    static QString pathFor(const QString& outputPath);

    // Writes the report (UTF-8, CR LF) or removes an earlier one, as above.
    // Call once the output itself is committed. Returns count(). Throws
    // zt::Error when the report cannot be written or the earlier one removed.
    qsizetype finish() const;

    // --- test seam: while testing, the report is dated 2024/04/01 09:00.
    static void setTesting(bool on);

private:
    QString output_;
    QString path_;
    QStringList lines_;
};

}  // namespace zt
