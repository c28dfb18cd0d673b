#include <QFileInfo>
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

// NUL, CON, PRN, AUX, COM1-9 and LPT1-9 name a device in every folder and
// with any extension ("nul.txt"), in any case.
bool isDeviceName(const QString& path) {
    const QString base = QFileInfo(path).fileName().section(u'.', 0, 0).trimmed().toUpper();
    if (base == u"NUL" || base == u"CON" || base == u"PRN" || base == u"AUX") {
        return true;
    }
    return base.size() == 4 && (base.startsWith(u"COM") || base.startsWith(u"LPT")) && base[3] >= u'1' &&
           base[3] <= u'9';
}

// The file a chain of symbolic links ends at, whether or not it exists yet.
QString followLinks(QString path) {
    for (int depth = 0; depth < 40 && QFileInfo(path).isSymbolicLink(); ++depth) {
        path = QFileInfo(path).symLinkTarget();
    }
    return path;
}

// Whether a new file's name was taken meanwhile.
bool nameTaken(DWORD error) {
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
}

}  // namespace

struct ReplacementFile::Impl {
    QString target, shown, temporary, kept;
    win32::Handle file;
    HANDLE standardOutput = nullptr;  // the process's, never closed here
    Kind kind = Kind::Replace;
    bool stream = false;
    bool removing = false;
    bool existed = false;

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
        dropKept();
    }
    void dropKept() {
        if (!kept.isEmpty()) {
            ::DeleteFileW(win32::wide(kept).c_str());
            kept.clear();
        }
    }
    void prepare() {
        // The data must be on the disk before the name points at it.
        if (!stream && !removing && (!::FlushFileBuffers(file.get()) || !file.close())) {
            fail("ファイルに書き込めません: %1（%2）", ::GetLastError());
        }
    }
    // A second name for the file about to be replaced, so that it can come
    // back if a file placed with it fails; none where the volume has no hard
    // links (FAT).
    void keepOld() {
        if (stream || kind == Kind::New || !existed) {
            return;
        }
        // A file that another program holds open without leave to delete it
        // cannot be replaced, and a second name made for it could not be
        // removed again: place() reports it, and no name is left behind.
        const win32::Handle deletable(::CreateFileW(win32::wide(target).c_str(), DELETE,
                                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!deletable.valid()) {
            return;
        }
        const QString name = temporary::nameFor(target);
        if (::CreateHardLinkW(win32::wide(name).c_str(), win32::wide(target).c_str(), nullptr)) {
            kept = name;
        }
    }
    DWORD place() {
        if (stream) {
            return ERROR_SUCCESS;
        }
        if (removing) {
            // A folder of that name is no earlier report.
            const DWORD attributes = ::GetFileAttributesW(win32::wide(target).c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
                return ERROR_SUCCESS;
            }
            const bool gone =
                ::DeleteFileW(win32::wide(target).c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND;
            return gone ? ERROR_SUCCESS : ::GetLastError();
        }
        // Without MOVEFILE_REPLACE_EXISTING the rename refuses a name that is taken.
        const DWORD flags =
            kind == Kind::New ? MOVEFILE_WRITE_THROUGH : MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
        if (!::MoveFileExW(win32::wide(temporary).c_str(), win32::wide(target).c_str(), flags)) {
            return ::GetLastError();
        }
        temporary.clear();
        return ERROR_SUCCESS;
    }
    void restore() {
        if (!kept.isEmpty()) {
            if (::MoveFileExW(win32::wide(kept).c_str(), win32::wide(target).c_str(),
                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
                kept.clear();
            }
        } else if (!existed && !removing && !stream) {
            ::DeleteFileW(win32::wide(target).c_str());
        }
    }
    void finish() { discard(); }
};

ReplacementFile::ReplacementFile() : d_(std::make_unique<Impl>()) {}

ReplacementFile::ReplacementFile(const QString& target, Kind kind) : ReplacementFile() {
    d_->kind = kind;
    d_->shown = QDir::toNativeSeparators(target);
    if (target == kStandardOutput) {
        d_->shown = QStringLiteral("標準出力");
        d_->standardOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
        d_->stream = true;
        if (d_->standardOutput == nullptr || d_->standardOutput == INVALID_HANDLE_VALUE) {
            throw Error(QStringLiteral("ファイルを作成できません: %1（%2）")
                            .arg(d_->shown, win32::errorText(ERROR_INVALID_HANDLE)));
        }
        return;
    }
    d_->target = followLinks(target);
    d_->existed = QFileInfo::exists(d_->target);
    if (kind == Kind::Replace && isDeviceName(d_->target)) {
        // A device is written straight into, as the command prompt's redirection does.
        d_->file.reset(::CreateFileW(win32::wide(d_->target).c_str(), GENERIC_WRITE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!d_->file.valid()) {
            throw Error(QStringLiteral("ファイルを作成できません: %1（%2）")
                            .arg(d_->shown, win32::errorText(::GetLastError())));
        }
        d_->stream = true;
        return;
    }
    detail::refuseUnwritableTarget(d_->target);
    temporary::removeLeftovers(d_->target);
    for (int attempt = 0; !d_->file.valid(); ++attempt) {
        d_->temporary = temporary::nameFor(d_->target);
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
                                .arg(d_->shown, detail::createReason(d_->target, why)));
            }
        }
    }
}

std::unique_ptr<ReplacementFile> ReplacementFile::removal(const QString& target) {
    std::unique_ptr<ReplacementFile> file(new ReplacementFile());
    file->d_->target = target;
    file->d_->shown = QDir::toNativeSeparators(target);
    file->d_->existed = QFileInfo::exists(target);
    file->d_->removing = true;
    return file;
}

ReplacementFile::~ReplacementFile() {
    d_->discard();
}

bool ReplacementFile::goesStraight(const QString& target) {
    return target == kStandardOutput || isDeviceName(followLinks(target));
}

void ReplacementFile::write(QByteArrayView bytes) {
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const DWORD chunk = DWORD(std::min<qsizetype>(left, 1 << 30));
        DWORD written = 0;
        HANDLE to = d_->standardOutput != nullptr ? d_->standardOutput : d_->file.get();
        if (!::WriteFile(to, data, chunk, &written, nullptr)) {
            d_->fail("ファイルに書き込めません: %1（%2）", ::GetLastError());
        }
        if (written == 0) {
            d_->fail("ファイルに書き込めません: %1（%2）", ERROR_DISK_FULL);
        }
        data += written;
        left -= written;
    }
}

}  // namespace zt

#include "platform/replacement_commit.h"
