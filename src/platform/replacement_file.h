#pragma once

#include <QByteArrayView>
#include <QString>
#include <memory>

namespace zt {

// A new file that takes the place of `target` only once it is whole and on
// the disk: written under a temporary name beside the target, synced, and
// renamed over it in one step, so that neither a failed run nor a power cut
// leaves half a file where a good one was. Destroyed without commit(), it
// removes its temporary file and leaves the target as it was.
class ReplacementFile {
public:
    // Throws zt::Error ("ファイルを作成できません: <target>（<why>）").
    explicit ReplacementFile(const QString& target);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // All of `bytes`, or throws zt::Error ("ファイルに書き込めません: …").
    void write(QByteArrayView bytes);
    // Syncs and renames over the target. Throws zt::Error ("ファイルを保存で
    // きません: …"); the temporary file is then gone and the target untouched.
    void commit();

    struct Impl;

private:
    std::unique_ptr<Impl> d_;
};

namespace detail {
// Why a file could not be made at `target`, in the user's words where the
// cause is a common one; `systemText` otherwise.
QString createReason(const QString& target, const QString& systemText);
// Throws the error of the constructor when the target is a folder or a
// read-only file: neither may be replaced, and a rename would do so anyway.
void refuseUnwritableTarget(const QString& target);
}  // namespace detail

}  // namespace zt
