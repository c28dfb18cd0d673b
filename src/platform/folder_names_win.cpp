#include "platform/folder_names.h"

#include "platform/win32.h"

namespace zt {

// CompareStringOrdinal ignoring case is how NTFS matches names: by its
// upper-case table, not by Unicode case folding (the Kelvin sign is not a k).
bool pathPassesThrough(const QString& path, const QString& name) {
    const QString shown = QDir::toNativeSeparators(path);
    const QString wanted = u'\\' + name + u'\\';
    const auto size = int(wanted.size());
    for (qsizetype at = 0; at + size <= shown.size(); ++at) {
        if (::CompareStringOrdinal(reinterpret_cast<const wchar_t*>(shown.constData() + at), size,
                                   reinterpret_cast<const wchar_t*>(wanted.constData()), size,
                                   TRUE) == CSTR_EQUAL) {
            return true;
        }
    }
    return false;
}

}  // namespace zt
