#pragma once

// Faults of the file system that the tests bring about, each the way the
// system at hand allows; where it cannot happen there, the test is skipped
// with the reason.
#include <QFile>
#include <QString>
#include <QtTest>

#ifdef Q_OS_WIN
#include "platform/win32.h"
#else
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#endif

// True where file permissions hold for this process: root, and Wine (run by
// root here), may write anyway.
inline bool permissionsHold() {
#ifdef Q_OS_WIN
    return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr;
#else
    return ::geteuid() != 0;
#endif
}

// Sets an environment variable to a text that may hold any character: on
// Windows qputenv's bytes pass through the ANSI code page.
inline void setEnvironment(const char* name, const QString& value) {
#ifdef Q_OS_WIN
    ::_wputenv_s(QString::fromLatin1(name).toStdWString().c_str(), value.toStdWString().c_str());
#else
    qputenv(name, value.toUtf8());
#endif
}

// While it lives, no file may grow past `bytes`: a full disk. Returns false
// where that cannot be arranged.
class DiskFull {
public:
    bool start(qint64 bytes = 0) {
#ifdef Q_OS_WIN
        Q_UNUSED(bytes);
        return false;
#else
        rlimit none{};
        if (getrlimit(RLIMIT_FSIZE, &saved_) != 0) {
            return false;
        }
        none = saved_;
        none.rlim_cur = rlim_t(bytes);
        std::signal(SIGXFSZ, SIG_IGN);
        return active_ = setrlimit(RLIMIT_FSIZE, &none) == 0;
#endif
    }
    ~DiskFull() {
#ifndef Q_OS_WIN
        if (active_) {
            setrlimit(RLIMIT_FSIZE, &saved_);
        }
#endif
    }

private:
#ifndef Q_OS_WIN
    rlimit saved_{};
    bool active_ = false;
#endif
};

// Another program holding a file open as Windows programs do, to read it but
// letting nobody replace it. Returns false where opening locks nothing.
class HeldOpen {
public:
    bool start(const QString& path) {
#ifdef Q_OS_WIN
        handle_ = ::CreateFileW(reinterpret_cast<const wchar_t*>(path.utf16()), GENERIC_READ, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, 0, nullptr);
        return handle_ != INVALID_HANDLE_VALUE;
#else
        Q_UNUSED(path);
        return false;
#endif
    }
    ~HeldOpen() {
#ifdef Q_OS_WIN
        if (handle_ != INVALID_HANDLE_VALUE) {
            ::CloseHandle(handle_);
        }
#endif
    }

private:
#ifdef Q_OS_WIN
    HANDLE handle_ = INVALID_HANDLE_VALUE;
#endif
};
