#include "platform/ansi_text_file.h"

#include "platform/directory_listing.h"
#include "platform/error.h"
#include "platform/win32.h"

namespace zt {
namespace {

// The system's texts are in the user's language, which need not be Japanese;
// the common causes get a Japanese reason of our own.
QString openReason(DWORD error, const QString& path) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return QStringLiteral("ファイルが見つかりません");
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return QStringLiteral("ほかのプログラムが使用中です");
        case ERROR_ACCESS_DENIED:
            // A folder cannot be opened as a file and says only this.
            if (const DWORD attributes = ::GetFileAttributesW(win32::wide(path).c_str());
                attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
                return QStringLiteral("フォルダです");
            }
            return QStringLiteral("読み取りの権限がありません");
        default:
            return win32::errorText(error);
    }
}

}  // namespace

void AnsiTextReader::load(const QByteArray& nativePath) {
    const QString path = decodeFileName(nativePath);
    const QString shown = QDir::toNativeSeparators(path);
    // Shared for writing too: the mail client may keep its address book open
    // while we read it, as it does while it runs.
    const win32::Handle file(::CreateFileW(win32::wide(path).c_str(), GENERIC_READ,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid()) {
        const DWORD error = ::GetLastError();
        throw Error(QStringLiteral("ファイルを開けません: %1（%2）").arg(shown, openReason(error, path)));
    }
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(file.get(), &size) && size.QuadPart < (qint64(1) << 31)) {
        data_.reserve(qsizetype(size.QuadPart));
    }
    // Read to the end rather than to the size: the file may grow meanwhile.
    char chunk[1 << 16];
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr)) {
            throw Error(QStringLiteral("ファイルを読み込めません: %1（%2）")
                            .arg(shown, openReason(::GetLastError(), path)));
        }
        if (read == 0) {
            break;
        }
        data_.append(chunk, read);
    }
}

}  // namespace zt
