#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace zt {

// Reads a CP932 text file line by line. A line ends at CR LF, LF or a lone CR;
// the line end is not part of the line. A file that ends without a line end
// still yields its last line; a file that ends with one yields no empty line
// after it.
class AnsiTextReader {
public:
    // Throws zt::Error (with the path) when the file cannot be opened or read,
    // or is a directory.
    explicit AnsiTextReader(const QString& path);
    // The same for a file named in the file system's own bytes, as a folder
    // listing gives them: a name that is not UTF-8 can be opened only so.
    static AnsiTextReader fromNativePath(const QByteArray& path);
    // For tests and fuzzing: read from bytes already in memory.
    static AnsiTextReader fromBytes(QByteArray bytes);

    bool atEnd() const;
    // Throws zt::Error when called at the end.
    QString readLine();
    // The next line's CP932 bytes, undecoded, for a reader that decodes only
    // the lines it needs. Valid as long as the reader. Throws zt::Error when
    // called at the end.
    QByteArrayView readLineBytes();
    // Where the next line starts in the data (its size at the end): a run of
    // whole lines is the slice between two positions, line ends as written.
    qsizetype position() const { return pos_; }
    // The data from `from` up to `to`, positions as position() gave them.
    // Valid as long as the reader.
    QByteArrayView slice(qsizetype from, qsizetype to) const {
        return QByteArrayView(data_).sliced(from, to - from);
    }

private:
    AnsiTextReader() = default;
    void load(const QByteArray& nativePath);
    QByteArray data_;
    qsizetype pos_ = 0;
};

}  // namespace zt
