#include "base/Path.h"

#include "base/Text.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace email32::base {
namespace {

constexpr wchar_t kSeparators[] = L"\\/:";

std::size_t WideAfterLast(std::wstring_view path, std::wstring_view separators) {
    const std::size_t last = path.find_last_of(separators);
    return last == std::wstring_view::npos ? 0 : last + 1;
}

// The offset of the last dot of a name, walking its characters; npos when
// there is none.
std::size_t LastDot(const char* name) {
    std::size_t dot = std::string::npos;
    for (const char* p = name; *p;) {
        if (*p == '.') dot = static_cast<std::size_t>(p - name);
        const char* next = ::CharNextA(p);
        p = next > p ? next : p + 1;
    }
    return dot;
}

// Asks a path-form function for its result, growing the buffer it needs.
template <typename Form>
std::optional<std::wstring> FormOf(const std::wstring& path, Form form) {
    const DWORD needed = form(path.c_str(), nullptr, 0);
    if (needed == 0) return std::nullopt;
    std::vector<wchar_t> result(needed);
    const DWORD length = form(path.c_str(), result.data(), needed);
    if (length == 0 || length >= needed) return std::nullopt;
    return std::wstring(result.data(), length);
}

}  // namespace

std::wstring FolderOf(std::wstring_view path) { return std::wstring(path.substr(0, WideAfterLast(path, kSeparators))); }

std::wstring NameOf(std::wstring_view path) { return std::wstring(path.substr(WideAfterLast(path, kSeparators))); }

std::wstring ExtensionOf(std::wstring_view path) {
    const std::wstring name = NameOf(path);
    const std::size_t dot = name.find_last_of(L'.');
    return dot == std::wstring::npos ? std::wstring() : name.substr(dot + 1);
}

std::wstring StemOf(std::wstring_view path) {
    std::wstring name = NameOf(path);
    const std::size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos) name.resize(dot);
    return name;
}

std::string FolderOf(const std::string& path) {
    char drive[_MAX_DRIVE] = {};
    char folder[_MAX_DIR] = {};
    // _splitpath_s walks the code page's characters and refuses over-long
    // parts instead of overrunning.
    if (_splitpath_s(path.c_str(), drive, sizeof drive, folder, sizeof folder, nullptr, 0, nullptr, 0) != 0) {
        return std::string();
    }
    return std::string(drive) + folder;
}

std::size_t AfterLast(const char* text, const char* separators) {
    std::size_t end = 0;
    for (const char* p = text; *p;) {
        if (std::strchr(separators, *p) != nullptr) end = static_cast<std::size_t>(p - text) + 1;
        const char* next = ::CharNextA(p);
        p = next > p ? next : p + 1;
    }
    return end;
}

std::string NameOf(const std::string& path) { return path.substr(AfterLast(path.c_str(), "\\/:")); }

std::string ExtensionOf(const std::string& path) {
    const std::string name = NameOf(path);
    const std::size_t dot = LastDot(name.c_str());
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::optional<std::wstring> ShortPath(const std::wstring& path) { return FormOf(path, ::GetShortPathNameW); }

std::optional<std::wstring> LongPath(const std::wstring& path) { return FormOf(path, ::GetLongPathNameW); }

std::string HostExecutableFolder() {
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::string();
    return FolderOf(std::string(path, length));
}

std::wstring ModulePath(HMODULE module) {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return std::wstring();
        if (length < path.size()) return std::wstring(path.data(), length);
        if (path.size() >= 32768) return std::wstring();
        path.resize(path.size() * 2);
    }
}

std::optional<std::string> AnsiPathOf(const std::wstring& path, AnsiForm first,
                                      const std::optional<std::string>& given) {
    const auto asGiven = [&] { return given ? given : NarrowExact(path); };
    const auto asShort = [&]() -> std::optional<std::string> {
        const std::optional<std::wstring> shortPath = ShortPath(path);
        return shortPath ? NarrowExact(*shortPath) : std::nullopt;
    };
    if (first == AnsiForm::Short) {
        if (std::optional<std::string> name = asShort()) return name;
        return asGiven();
    }
    if (std::optional<std::string> name = asGiven()) return name;
    return asShort();
}

}  // namespace email32::base
