// A profile file rewritten whole: read, edited in memory, written beside the
// original and moved over it, all under the file's lock.
#include "base/FileLock.h"
#include "base/IniFile.h"

#include <windows.h>

#include <optional>

namespace email32::ini {
namespace {

// Larger files are not ours to rewrite (the installed list of ten thousand
// systems is under a megabyte).
constexpr LONGLONG kMaxFileBytes = 64ll << 20;
// A reader of another program (an indexer, a virus scanner) may hold the
// file open for a moment, which makes the replacement fail on Windows.
constexpr int kReplaceAttempts = 40;
constexpr DWORD kReplacePauseMilliseconds = 50;

enum class Encoding { CodePage, Utf8, Utf16Le, Utf16Be };

struct FileText {
    Encoding encoding = Encoding::CodePage;
    std::string text;  // the code page's bytes, or UTF-8
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    bool exists = false;
};

std::wstring Widen(std::string_view text, UINT codePage) {
    if (text.empty()) return {};
    const int size = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

std::string Narrow(std::wstring_view wide, UINT codePage) {
    if (wide.empty()) return {};
    const int size =
        ::WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size, nullptr, nullptr);
    return text;
}

std::wstring SwappedBytes(std::wstring wide) {
    for (wchar_t& c : wide) c = static_cast<wchar_t>(((c & 0xFF) << 8) | ((c >> 8) & 0xFF));
    return wide;
}

// The file's text; an absent file is an empty one. nullopt when the file
// exists but cannot be read: it must then not be replaced.
std::optional<FileText> Load(const std::string& file) {
    FileText loaded;
    AutoCloseHandle handle(::CreateFileA(file.c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return loaded;
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    LARGE_INTEGER size{};
    if (!::GetFileInformationByHandle(handle.get(), &information) || !::GetFileSizeEx(handle.get(), &size) ||
        size.QuadPart > kMaxFileBytes) {
        return std::nullopt;
    }
    loaded.attributes = information.dwFileAttributes;
    loaded.exists = true;
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() && (!::ReadFile(handle.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                           read != bytes.size())) {
        return std::nullopt;
    }
    const auto startsWith = [&bytes](std::string_view mark) { return bytes.compare(0, mark.size(), mark) == 0; };
    if (startsWith("\xFF\xFE") || startsWith("\xFE\xFF")) {
        loaded.encoding = startsWith("\xFF\xFE") ? Encoding::Utf16Le : Encoding::Utf16Be;
        std::wstring wide((bytes.size() - 2) / 2, L'\0');
        for (std::size_t i = 0; i < wide.size(); ++i) {
            wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                           (static_cast<unsigned char>(bytes[3 + 2 * i]) << 8));
        }
        loaded.text = Narrow(loaded.encoding == Encoding::Utf16Be ? SwappedBytes(wide) : wide, CP_UTF8);
    } else if (startsWith("\xEF\xBB\xBF")) {
        loaded.encoding = Encoding::Utf8;
        loaded.text = bytes.substr(3);
    } else {
        loaded.text = std::move(bytes);
    }
    return loaded;
}

std::string Encoded(const FileText& file, const std::string& text) {
    switch (file.encoding) {
    case Encoding::Utf8: return "\xEF\xBB\xBF" + text;
    case Encoding::Utf16Le:
    case Encoding::Utf16Be: {
        std::wstring wide = Widen(text, CP_UTF8);
        if (file.encoding == Encoding::Utf16Be) wide = SwappedBytes(std::move(wide));
        std::string bytes(file.encoding == Encoding::Utf16Le ? "\xFF\xFE" : "\xFE\xFF");
        for (const wchar_t c : wide) {
            bytes += static_cast<char>(c & 0xFF);
            bytes += static_cast<char>((c >> 8) & 0xFF);
        }
        return bytes;
    }
    default: return text;
    }
}

std::string FolderOf(const std::string& file) {
    const std::size_t slash = file.find_last_of("\\/");
    return slash == std::string::npos ? "." : file.substr(0, slash);
}

bool WriteWhole(const std::string& path, const std::string& bytes) {
    AutoCloseHandle handle(
        ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
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

bool MoveOver(const std::string& from, const std::string& to) {
    for (int attempt = 0; attempt < kReplaceAttempts; ++attempt) {
        if (::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        const DWORD error = ::GetLastError();
        if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) return false;
        ::Sleep(kReplacePauseMilliseconds);
    }
    return false;
}

}  // namespace

bool Rewrite(const std::string& file, const std::function<void(IniDocument&)>& edit) {
    if (file.empty()) return false;
    const FileLock lock(file);
    const std::optional<FileText> current = Load(file);
    if (!current || (current->attributes & FILE_ATTRIBUTE_READONLY) != 0) return false;

    // Names compare as the profile service compares them: in Unicode, case
    // folded. Edits come in the code page and go into the file's encoding.
    const UINT codePage = current->encoding == Encoding::CodePage ? CP_ACP : CP_UTF8;
    IniDocument document(
        current->text,
        [codePage](std::string_view name) {
            std::wstring wide = Widen(name, codePage);
            if (!wide.empty()) ::CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
            return Narrow(wide, CP_UTF8);
        },
        [codePage](std::string_view text) {
            return codePage == CP_ACP ? std::string(text) : Narrow(Widen(text, CP_ACP), CP_UTF8);
        });
    edit(document);
    const std::string text = document.Text();
    // Nothing to change (a default chosen again, say): readers keep the file.
    if (current->exists && text == current->text) return true;

    char temporary[MAX_PATH] = {};
    if (!::GetTempFileNameA(FolderOf(file).c_str(), "e32", 0, temporary)) return false;
    if (!WriteWhole(temporary, Encoded(*current, text)) || !MoveOver(temporary, file)) {
        ::DeleteFileA(temporary);
        return false;
    }
    // The attributes the file had (hidden, say) stay with it.
    const DWORD kept = current->attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    if ((kept & ~FILE_ATTRIBUTE_ARCHIVE) != 0) ::SetFileAttributesA(file.c_str(), kept);
    return true;
}

}  // namespace email32::ini
