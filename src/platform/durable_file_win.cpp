#include "platform/durable_file.h"
#include "platform/temporary_files.h"
#include "platform/win32.h"

namespace zt::durable {

Placed placeNewFile(const QString& target, const QByteArray& bytes, QString& error) {
    temporary::removeLeftovers(target);
    const QString named = temporary::nameFor(target);
    {
        win32::Handle file(::CreateFileW(win32::wide(named).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!file.valid() ||
            !::WriteFile(file.get(), bytes.constData(), DWORD(bytes.size()), &written, nullptr) ||
            written != DWORD(bytes.size()) || !::FlushFileBuffers(file.get()) || !file.close()) {
            error = win32::errorText(::GetLastError());
            if (file.valid()) {
                file.close();
            }
            ::DeleteFileW(win32::wide(named).c_str());
            return Placed::Failed;
        }
    }
    // Without MOVEFILE_REPLACE_EXISTING the rename refuses a name that is taken.
    if (!::MoveFileExW(win32::wide(named).c_str(), win32::wide(target).c_str(), MOVEFILE_WRITE_THROUGH)) {
        const DWORD code = ::GetLastError();
        ::DeleteFileW(win32::wide(named).c_str());
        if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS) {
            return Placed::Taken;
        }
        error = win32::errorText(code);
        return Placed::Failed;
    }
    return Placed::Done;
}

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
