#include "platform/console.h"
#include "platform/win32.h"

#include <shellapi.h>
#include <utility>
#include "version.h"

namespace zt {
namespace {

// A handle the program inherited that leads somewhere: a console, a file or
// a pipe. A program started from the desktop has none.
bool usable(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

bool write(HANDLE handle, const QString& text) {
    DWORD mode = 0;
    DWORD written = 0;
    if (::GetConsoleMode(handle, &mode)) {
        // UTF-16 to the console: right whatever its code page.
        return ::WriteConsoleW(handle, text.utf16(), DWORD(text.size()), &written, nullptr) != 0;
    }
    const QByteArray bytes = text.toUtf8();
    return ::WriteFile(handle, bytes.constData(), DWORD(bytes.size()), &written, nullptr) != 0;
}

// The console of the command prompt the program was started from, attached
// once: a run without windows tells it several things in turn.
HANDLE parentConsole() {
    static const HANDLE console = [] {
        if (!::AttachConsole(ATTACH_PARENT_PROCESS)) {
            return INVALID_HANDLE_VALUE;
        }
        return ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, 0, nullptr);
    }();
    return console;
}

bool toldConsole = false;

}  // namespace

void tellCommandLine(ConsoleStream stream, const QString& text) {
    const DWORD which = stream == ConsoleStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE;
    if (HANDLE handle = ::GetStdHandle(which); usable(handle) && write(handle, text)) {
        return;
    }
    if (HANDLE console = parentConsole(); usable(console)) {
        QString shown = QString(text).replace(u'\n', QStringLiteral("\r\n"));
        // The prompt has been shown already: the first text starts on a line of its own.
        if (!std::exchange(toldConsole, true)) {
            shown.prepend(QStringLiteral("\r\n"));
        }
        if (write(console, shown)) {
            return;
        }
    }
    const QString title = QStringLiteral(ZT_APP_TITLE);
    ::MessageBoxW(nullptr, reinterpret_cast<const wchar_t*>(text.utf16()),
                  reinterpret_cast<const wchar_t*>(title.utf16()),
                  MB_OK | (stream == ConsoleStream::Output ? MB_ICONINFORMATION : MB_ICONEXCLAMATION));
}

QStringList commandLineArguments(int /*argc*/, char* /*argv*/[]) {
    int count = 0;
    wchar_t** words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    QStringList arguments;
    for (int i = 0; i < count; ++i) {
        arguments << QString::fromWCharArray(words[i]);
    }
    ::LocalFree(words);
    return arguments;
}

QString runningExecutable() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD size = ::GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (size < path.size()) {
            return QDir::fromNativeSeparators(QString::fromWCharArray(path.data(), int(size)));
        }
        path.resize(path.size() * 2);  // a long path was cut short
    }
}

}  // namespace zt
