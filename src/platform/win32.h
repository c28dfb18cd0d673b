#pragma once

// What the Windows sides of the platform layer share: names handed to the
// wide-character API, and the system's own text for an error code.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// The API's names are macros for their W forms; ours must keep their own.
#undef MessageBox

#include <QDir>
#include <QString>
#include <string>

namespace zt::win32 {

// The API takes `\`; a path with `/` mostly works, but not past the long-path
// prefix nor in every shell call.
inline std::wstring wide(const QString& path) {
    return QDir::toNativeSeparators(path).toStdWString();
}

// FormatMessageW's text in the user's language, without its trailing line end.
inline QString errorText(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD size = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    QString text = size > 0 ? QString::fromWCharArray(buffer, int(size)).trimmed()
                            : QStringLiteral("エラー %1").arg(code);
    ::LocalFree(buffer);
    return text;
}

// Closes a handle when it goes.
class Handle {
public:
    explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
    ~Handle() { close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    void reset(HANDLE h) {
        close();
        h_ = h;
    }
    bool close() {
        const bool ok = !valid() || ::CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE h_;
};

}  // namespace zt::win32
