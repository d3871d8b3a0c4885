#include "base/FileLock.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace email32::base {
namespace {

// Writes take milliseconds; a holder that keeps the lock this long is stuck.
constexpr DWORD kWaitMilliseconds = 10000;

}  // namespace

std::string FileLock::MutexName(const std::string& path) {
    // A mutex name may not hold backslashes, and a path may be longer than a
    // name: the name carries a hash of the full path, letter case folded.
    std::vector<char> full(MAX_PATH);
    DWORD length = ::GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) {
        full.resize(length + 1);
        length = ::GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    std::string name = length > 0 && length < full.size() ? std::string(full.data(), length) : path;
    if (!name.empty()) ::CharUpperBuffA(name.data(), static_cast<DWORD>(name.size()));
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (const char c : name) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    char text[64];
    std::snprintf(text, sizeof text, "Local\\Email32.File.%016llx", static_cast<unsigned long long>(hash));
    return text;
}

FileLock::FileLock(const std::string& path) {
    if (path.empty()) return;
    m_mutex.reset(::CreateMutexA(nullptr, FALSE, MutexName(path).c_str()));
    if (!m_mutex) return;
    // An abandoned mutex is ours now: its holder ended, and the file it was
    // writing is whole, since writes replace it in one step.
    const DWORD waited = ::WaitForSingleObject(m_mutex.get(), kWaitMilliseconds);
    m_held = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

FileLock::~FileLock() {
    if (m_held) ::ReleaseMutex(m_mutex.get());
}

}  // namespace email32::base
