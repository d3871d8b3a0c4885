// A profile file rewritten whole: read, edited in memory, written beside the
// original and put in its place, all under the file's lock.
#include "base/FileLock.h"
#include "base/IniFile.h"
#include "base/LoadableLibrary.h"
#include "base/Path.h"
#include "base/ProfileText.h"
#include "base/Text.h"

#include <windows.h>

#include <cwctype>
#include <optional>

namespace email32::base {
namespace {

// Larger files are not ours to rewrite (the installed list of ten thousand
// systems is under a megabyte).
constexpr LONGLONG kMaxFileBytes = 64ll << 20;
// A reader of another program (an indexer, a virus scanner) may hold the
// file open for a moment, which makes the replacement fail on Windows.
constexpr int kReplaceAttempts = 40;
constexpr DWORD kReplacePauseMilliseconds = 50;
// A writer that died between writing its temporary file and putting it in
// place left it behind; one a day old belongs to no writer still running.
constexpr ULONGLONG kStaleTemporaryAge = 24ULL * 60 * 60 * 10000000;  // in 100 ns
constexpr wchar_t kTemporaryPrefix[] = L"e32";

ULONGLONG Ticks(const FILETIME& time) {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// "e32" and one to four hexadecimal digits, ".tmp": the names that
// GetTempFileName gives with the prefix, and nothing a user would name a
// file of theirs.
bool IsOwnTemporaryName(const std::wstring& name) {
    if (name.size() < 8 || name.size() > 11 || _wcsnicmp(name.c_str(), kTemporaryPrefix, 3) != 0 ||
        _wcsicmp(name.c_str() + name.size() - 4, L".tmp") != 0) {
        return false;
    }
    for (std::size_t i = 3; i < name.size() - 4; ++i) {
        if (!std::iswxdigit(name[i])) return false;
    }
    return true;
}

void ClearStaleTemporaries(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW((folder + kTemporaryPrefix + L"*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    do {
        const bool file = (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
        const ULONGLONG written = Ticks(found.ftLastWriteTime);
        if (file && IsOwnTemporaryName(found.cFileName) && written < Ticks(now) &&
            Ticks(now) - written > kStaleTemporaryAge) {
            ::DeleteFileW((folder + found.cFileName).c_str());
        }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
}

bool WriteWhole(const std::wstring& path, const std::string& bytes) {
    AutoCloseHandle handle(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) return false;
    DWORD written = 0;
    if (!bytes.empty() &&
        (!::WriteFile(handle.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
         written != bytes.size())) {
        return false;
    }
    // On the disk before it takes the original's place, so that a crash
    // leaves one of the two whole.
    return ::FlushFileBuffers(handle.get()) != FALSE;
}

bool Retryable(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_UNABLE_TO_MOVE_REPLACEMENT || error == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

// The new text takes the place of the old file by ReplaceFile, so that the
// file keeps what belongs to it rather than to its text: its permissions,
// its owner, its creation time. A file that did not exist yet is moved
// into place.
bool PutInPlace(const std::wstring& from, const std::wstring& to, bool existed) {
    for (int attempt = 0; attempt < kReplaceAttempts; ++attempt) {
        if (existed) {
            if (::ReplaceFileW(to.c_str(), from.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
                return true;
            }
        } else if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) {
            return true;
        }
        const DWORD error = ::GetLastError();
        // The old file is gone and the new one still has its temporary name.
        if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 || error == ERROR_FILE_NOT_FOUND) existed = false;
        else if (!Retryable(error)) return false;
        ::Sleep(kReplacePauseMilliseconds);
    }
    return false;
}

}  // namespace

RewriteResult Rewrite(const std::string& file, const std::function<void(IniDocument&)>& edit) {
    const std::wstring path = base::Widen(file, CP_ACP);
    // A relative path would be the current folder's file to write and the
    // Windows folder's to read.
    if (!IsFullyQualifiedPath(path)) return RewriteResult::Failed;
    const FileLock lock(file);
    // Another writer holds the file past all patience: writing without the
    // lock could undo its update, so nothing is written.
    if (!lock.Held()) return RewriteResult::Busy;
    const std::optional<ProfileText> current = LoadProfileText(path, kMaxFileBytes);
    if (!current || (current->attributes & FILE_ATTRIBUTE_READONLY) != 0) return RewriteResult::Failed;

    // Names compare as the profile service compares them: in Unicode, case
    // folded. Edits come in the code page and go into the file's encoding.
    const UINT codePage = current->encoding == Encoding::CodePage ? CP_ACP : CP_UTF8;
    IniDocument document(
        current->text,
        [codePage](std::string_view name) {
            std::wstring wide = base::Widen(name, codePage);
            if (!wide.empty()) ::CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
            return base::Narrow(wide, CP_UTF8);
        },
        [codePage](std::string_view text) {
            return codePage == CP_ACP ? std::string(text) : base::Narrow(base::Widen(text, CP_ACP), CP_UTF8);
        });
    edit(document);
    const std::string text = document.Text();
    // Nothing to change (a default chosen again, say): readers keep the file.
    if (current->exists && text == current->text) return RewriteResult::Written;

    const std::wstring folder = base::FolderOf(path);
    ClearStaleTemporaries(folder);
    wchar_t temporary[MAX_PATH] = {};
    if (!::GetTempFileNameW(folder.c_str(), kTemporaryPrefix, 0, temporary)) return RewriteResult::Failed;
    if (!WriteWhole(temporary, EncodeProfileText(current->encoding, text)) ||
        !PutInPlace(temporary, path, current->exists)) {
        ::DeleteFileW(temporary);
        return RewriteResult::Failed;
    }
    // The attributes the file had (hidden, say) stay with it.
    const DWORD kept = current->attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    if ((kept & ~FILE_ATTRIBUTE_ARCHIVE) != 0) ::SetFileAttributesW(path.c_str(), kept);
    return RewriteResult::Written;
}

}  // namespace email32::base
