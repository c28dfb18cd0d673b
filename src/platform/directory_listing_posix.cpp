#include "platform/directory_listing.h"

#include <dirent.h>
#include <errno.h>
#include <sys/stat.h>

#include <QFile>
#include <QStringDecoder>
#include <memory>

#include "platform/cp932.h"
#include "platform/error.h"

namespace zt {

QString decodeFileName(const QByteArray& name) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(name);
    return utf8.hasError() ? cp932::decode(name) : text;
}

// A name read as CP932 is found again by its CP932 bytes: where the UTF-8
// form of a part of the path names nothing and its CP932 form names a file
// or folder, that part is given in CP932.
QByteArray encodeFileName(const QString& path) {
    const QByteArray utf8 = QFile::encodeName(path);
    if (utf8.size() == path.size()) {
        return utf8;  // ASCII
    }
    QByteArray encoded;
    const QStringList parts = path.split(u'/');
    for (qsizetype i = 0; i < parts.size(); ++i) {
        QByteArray part = QFile::encodeName(parts[i]);
        if (part.size() != parts[i].size()) {
            struct stat info {};
            const QByteArray windows = cp932::encode(parts[i]);
            if (::lstat((encoded + part).constData(), &info) != 0 && decodeFileName(windows) == parts[i] &&
                ::lstat((encoded + windows).constData(), &info) == 0) {
                part = windows;
            }
        }
        encoded += part;
        if (i + 1 < parts.size()) {
            encoded += '/';
        }
    }
    return encoded;
}

// Qt's own listing drops every name that is not valid in the locale's
// encoding, so an address book unpacked with its Windows names would look
// empty; the system's listing gives every name.
std::vector<DirectoryEntry> listDirectory(const QByteArray& folder) {
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.constData()), ::closedir);
    const auto unreadable = [&folder] {
        return Error(QStringLiteral("フォルダ %1 を読み込めません。").arg(decodeFileName(folder)));
    };
    if (!dir) {
        throw errno == ENOENT || errno == ENOTDIR
            ? Error(QStringLiteral("フォルダ %1 が見つかりません。").arg(decodeFileName(folder)))
            : unreadable();
    }
    std::vector<DirectoryEntry> entries;
    // readdir gives NULL at the end and on a failure alike; only errno tells
    // a truncated listing from a complete one.
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (entry == nullptr) {
            if (errno != 0) {
                throw unreadable();
            }
            break;
        }
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..") {
            continue;
        }
        struct stat info {};
        DirectoryEntry found{name, decodeFileName(name)};
        found.hidden = name.startsWith('.');
        if (::fstatat(::dirfd(dir.get()), entry->d_name, &info, 0) == 0) {
            found.isFolder = S_ISDIR(info.st_mode);
            found.isFile = S_ISREG(info.st_mode);
        }
        entries.push_back(std::move(found));
    }
    return entries;
}

}  // namespace zt
