#include <algorithm>

#include "platform/error.h"
#include "platform/replacement_file.h"
#include "platform/temporary_files.h"
#include "platform/win32.h"

namespace zt {
namespace {

// The system's texts are in the user's language, which need not be Japanese;
// the causes a user can act on get a Japanese reason of our own.
QString replaceReason(DWORD error, const QString& target) {
    switch (error) {
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return QStringLiteral(
                "ほかのプログラムが使用中です。そのプログラムで閉じてから、やり直してください");
        case ERROR_ACCESS_DENIED: {
            // The folder took the temporary file, so what refuses is the
            // target itself: read-only, or open in a program that lets
            // nobody replace it (a spreadsheet showing the CSV).
            const DWORD attributes = ::GetFileAttributesW(win32::wide(target).c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
                return QStringLiteral("ファイルが読み取り専用です");
            }
            return replaceReason(ERROR_SHARING_VIOLATION, target);
        }
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return QStringLiteral("ディスクがいっぱいです");
        default:
            return win32::errorText(error);
    }
}

}  // namespace

struct ReplacementFile::Impl {
    QString target, shown, temporary;
    win32::Handle file;

    [[noreturn]] void fail(const char* what, DWORD error) {
        const QString why = replaceReason(error, target);
        discard();
        throw Error(QString::fromUtf8(what).arg(shown, why));
    }
    void discard() {
        file.close();
        if (!temporary.isEmpty()) {
            ::DeleteFileW(win32::wide(temporary).c_str());
            temporary.clear();
        }
    }
};

ReplacementFile::ReplacementFile(const QString& target) : d_(std::make_unique<Impl>()) {
    d_->target = target;
    d_->shown = QDir::toNativeSeparators(target);
    detail::refuseUnwritableTarget(target);
    temporary::removeLeftovers(target);
    for (int attempt = 0; !d_->file.valid(); ++attempt) {
        d_->temporary = temporary::nameFor(target);
        // No sharing: nothing else reads a file that is not yet there, and
        // another write's tidying cannot delete it while it is held.
        d_->file.reset(::CreateFileW(win32::wide(d_->temporary).c_str(), GENERIC_WRITE, 0, nullptr,
                                     CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!d_->file.valid()) {
            const DWORD error = ::GetLastError();
            if (error != ERROR_FILE_EXISTS || attempt == 100) {
                d_->temporary.clear();
                const QString why = error == ERROR_ACCESS_DENIED
                                        ? QStringLiteral("フォルダに書き込む権限がありません")
                                        : win32::errorText(error);
                throw Error(QStringLiteral("ファイルを作成できません: %1（%2）")
                                .arg(d_->shown, detail::createReason(target, why)));
            }
        }
    }
}

ReplacementFile::~ReplacementFile() {
    d_->discard();
}

void ReplacementFile::write(QByteArrayView bytes) {
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const DWORD chunk = DWORD(std::min<qsizetype>(left, 1 << 30));
        DWORD written = 0;
        if (!::WriteFile(d_->file.get(), data, chunk, &written, nullptr)) {
            d_->fail("ファイルに書き込めません: %1（%2）", ::GetLastError());
        }
        if (written == 0) {
            d_->fail("ファイルに書き込めません: %1（%2）", ERROR_DISK_FULL);
        }
        data += written;
        left -= written;
    }
}

void ReplacementFile::commit() {
    // The data must be on the disk before the name points at it, and the
    // rename must be on the disk before we report the file written.
    if (!::FlushFileBuffers(d_->file.get()) || !d_->file.close()) {
        d_->fail("ファイルに書き込めません: %1（%2）", ::GetLastError());
    }
    if (!::MoveFileExW(win32::wide(d_->temporary).c_str(), win32::wide(d_->target).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        d_->fail("ファイルを保存できません: %1（%2）", ::GetLastError());
    }
    d_->temporary.clear();
}

}  // namespace zt
