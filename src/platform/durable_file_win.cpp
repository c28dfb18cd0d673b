#include "platform/durable_file.h"
#include "platform/win32.h"

namespace zt::durable {

// Across volumes MoveFileEx copies, flushes and only then deletes the source.
Placed moveFile(const QString& from, const QString& to, QString& error) {
    if (::MoveFileExW(win32::wide(from).c_str(), win32::wide(to).c_str(),
                      MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH)) {
        return Placed::Done;
    }
    const DWORD code = ::GetLastError();
    if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS) {
        return Placed::Taken;
    }
    error = win32::errorText(code);
    return Placed::Failed;
}

}  // namespace zt::durable
