#pragma once

#include <QByteArrayView>
#include <QString>
#include <initializer_list>
#include <memory>

namespace zt {

// The one way a file is put in place: written under a temporary name beside
// the target, synced, and given the target's name in one step, so that neither
// a failed run nor a power cut leaves half a file where a good one was.
// Destroyed without being committed, it removes its temporary file and leaves
// the target as it was.
//
// A target that is a symbolic link is the file it points to: that file is
// replaced and the link stays. A target that exists and is no plain file (a
// FIFO, a character device such as /dev/null, a socket, on Windows a device
// name such as NUL) is written straight into, with no temporary and nothing
// renamed; so is standard output, named kStandardOutput.
class ReplacementFile {
public:
    enum class Kind {
        Replace,  // keeps who may read the file it replaces
        New,      // only its owner may read it, and it goes only where the name is free
    };

    // Throws zt::Error ("ファイルを作成できません: <target>（<why>）").
    explicit ReplacementFile(const QString& target, Kind kind = Kind::Replace);
    // Removes `target`, when it is there, at the step the files committed
    // with it are placed; writes nothing.
    static std::unique_ptr<ReplacementFile> removal(const QString& target);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // All of `bytes`, or throws zt::Error ("ファイルに書き込めません: …").
    void write(QByteArrayView bytes);
    // commitTogether() of this file alone. False only for a Kind::New file
    // whose name another program took meanwhile; it is then discarded.
    bool commit();
    // Whether what is written for `target` goes straight where it is written
    // (see above), with no temporary.
    static bool goesStraight(const QString& target);

    struct Impl;

private:
    ReplacementFile();
    std::unique_ptr<Impl> d_;
    friend void commitTogether(std::initializer_list<ReplacementFile*> files);
};

// Puts every file in place once each is whole on the disk, in the order given.
// When one cannot be placed, those placed before it get their old files back
// (where the file system can keep a second name for them) and zt::Error is
// thrown ("ファイルを保存できません: …"): the targets are then as they were.
void commitTogether(std::initializer_list<ReplacementFile*> files);

// The target that means standard output.
inline const QString kStandardOutput = QStringLiteral("-");

namespace detail {
// Why a file could not be made at `target`, in the user's words where the
// cause is a common one; `systemText` otherwise.
QString createReason(const QString& target, const QString& systemText);
// Throws the error of the constructor when the target is a folder or a
// read-only file: neither may be replaced, and a rename would do so anyway.
void refuseUnwritableTarget(const QString& target);
}  // namespace detail

}  // namespace zt
