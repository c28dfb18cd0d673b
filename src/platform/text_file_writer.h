#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <memory>

namespace zt {

// Writes a CP932 text file with CR LF after every line, the last one included,
// or a file in another encoding, whose bytes the caller encodes. The
// lines go to a temporary file beside the target; commit() renames it over
// the target. A writer destroyed without commit() removes its temporary file
// and leaves the target as it was, so a failed run never leaves a half-written
// file in place of a good one.
class TextFileWriter {
public:
    // Throws zt::Error when the temporary file cannot be created.
    explicit TextFileWriter(const QString& path);
    ~TextFileWriter();
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    // Returns how many characters CP932 could not hold and were written as
    // "?". Throws zt::Error on a write failure (a full disk, say).
    qsizetype writeLine(QStringView text);
    // Bytes already encoded, line ends included, written as they stand.
    // Throws as writeLine.
    void writeBytes(QByteArrayView bytes);
    // Syncs to the disk and renames over the target. Throws zt::Error on failure;
    // the temporary file is then gone and the target untouched.
    void commit();
    // Commits the file with its report at `reportPath` (see replaceReport):
    // both are whole in their temporaries before either is put in place, and
    // when either fails both old files stay and zt::Error is thrown. An
    // earlier report is removed in the step in which a file without losses
    // goes in.
    void commitWithReport(const QString& reportPath, const QString& heading, const QStringList& lines);

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

// A report beside what it speaks of: `heading` and then each of `lines`, in
// UTF-8 with CR LF, put in place whole at `path`; with no lines, an earlier
// report there is removed instead, so that a report never speaks of another
// run. Throws zt::Error when it can do neither.
void replaceReport(const QString& path, const QString& heading, const QStringList& lines);

// The report that belongs to the file at `path`: "<path>.report.txt".
QString reportPathFor(const QString& path);

}  // namespace zt
