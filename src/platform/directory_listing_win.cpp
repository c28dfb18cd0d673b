#include "platform/directory_listing.h"

#include <memory>

#include "platform/error.h"
#include "platform/win32.h"

namespace zt {

// Names are UTF-16 here; UTF-8 carries every one of them through the byte
// paths that the import shares with the other platforms.
QString decodeFileName(const QByteArray& name) {
    return QString::fromUtf8(name);
}

QByteArray encodeFileName(const QString& path) {
    return path.toUtf8();
}

namespace {

// A link or junction is listed with its own attributes; what it leads to
// decides, and one that leads nowhere is neither file nor folder.
void followLink(const QString& path, DirectoryEntry& entry) {
    entry.isFolder = entry.isFile = false;
    const win32::Handle target(::CreateFileW(win32::wide(path).c_str(), 0,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (target.valid() && ::GetFileInformationByHandle(target.get(), &info)) {
        entry.isFolder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.isFile = !entry.isFolder && (info.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) == 0;
    }
}

}  // namespace

std::vector<DirectoryEntry> listDirectory(const QByteArray& folder) {
    const QString path = decodeFileName(folder);
    const QString shown = QDir::toNativeSeparators(path);
    const QString prefix = path.endsWith(u'/') || path.endsWith(u'\\') ? path : path + u'/';
    WIN32_FIND_DATAW data{};
    // "*" rather than "*.nrk": a pattern also matches the short 8.3 names,
    // so "a.nrkx" (short name A~1.NRK) would pass for a card file.
    const HANDLE found = ::FindFirstFileExW(win32::wide(prefix + u'*').c_str(), FindExInfoBasic, &data,
                                            FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    std::vector<DirectoryEntry> entries;
    if (found == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND && (::GetFileAttributesW(win32::wide(path).c_str()) &
                                              FILE_ATTRIBUTE_DIRECTORY) == FILE_ATTRIBUTE_DIRECTORY) {
            return entries;  // the empty root of a drive has not even "." and ".."
        }
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_DIRECTORY ||
            error == ERROR_INVALID_NAME || error == ERROR_BAD_NETPATH) {
            throw Error(QStringLiteral("フォルダ %1 が見つかりません。").arg(shown));
        }
        throw Error(
            QStringLiteral("フォルダ %1 を読み込めません。\r\n%2").arg(shown, win32::errorText(error)));
    }
    const std::unique_ptr<void, BOOL(WINAPI*)(HANDLE)> search(found, ::FindClose);
    do {
        const QString name = QString::fromWCharArray(data.cFileName);
        if (name == u"." || name == u"..") {
            continue;
        }
        DirectoryEntry entry{encodeFileName(name), name};
        const DWORD attributes = data.dwFileAttributes;
        entry.hidden = (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
        entry.isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.isFile = !entry.isFolder && (attributes & FILE_ATTRIBUTE_DEVICE) == 0;
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            followLink(prefix + name, entry);
        }
        entries.push_back(std::move(entry));
    } while (::FindNextFileW(search.get(), &data));
    // The end of the listing and a failure part way look alike but for this.
    if (const DWORD error = ::GetLastError(); error != ERROR_NO_MORE_FILES) {
        throw Error(
            QStringLiteral("フォルダ %1 を読み込めません。\r\n%2").arg(shown, win32::errorText(error)));
    }
    return entries;
}

}  // namespace zt
