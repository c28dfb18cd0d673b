#include "platform/directory_listing.h"
#include "platform/temporary_files.h"
#include "platform/win32.h"

namespace zt::temporary {

void allowUnnamed(bool) {
    // every temporary has a name here
}

namespace detail {

// A write holds its temporary shared with nobody until the moment it renames
// it, so the deletion fails for a running write's and takes only what a
// killed one left.
void removeIfAbandoned(const QByteArray& path) {
    ::DeleteFileW(win32::wide(decodeFileName(path)).c_str());
}

}  // namespace detail
}  // namespace zt::temporary
