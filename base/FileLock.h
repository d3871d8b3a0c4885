// One named mutex per file path, so that the read-modify-write of a file
// shared by several objects and processes runs one at a time. Held for the
// object's life; the same thread may take it again inside.
#pragma once

#include "base/Win32Handles.h"

#include <string>

namespace email32::base {

class FileLock {
public:
    // Waits for the lock a bounded time: a holder that hangs must not hang
    // the host. Without the lock (Held() false) the caller writes nothing,
    // so that no update of the holder is undone.
    explicit FileLock(const std::string& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    [[nodiscard]] bool Held() const noexcept { return m_held; }

    // The mutex's name for a path: the same for every spelling of the path
    // that names the same file by letter case or relative form.
    [[nodiscard]] static std::string MutexName(const std::string& path);

private:
    AutoCloseHandle m_mutex;
    bool m_held = false;
};

}  // namespace email32::base
