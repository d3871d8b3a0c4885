#include "base/LoadableLibrary.h"

#include "base/Path.h"
#include "base/Text.h"
#include "base/Win32Handles.h"

#include <vector>

namespace email32::base {
namespace {

// The module whose code runs here: the module DLL, the plug-in, or a
// program linked with this code.
HMODULE ThisModule() {
    HMODULE module = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

bool IsBareName(const std::wstring& name) {
    return !name.empty() && name.find_first_of(L"\\/:") == std::wstring::npos && name != L"." && name != L"..";
}

bool IsFile(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

WORD PeMachine(const std::wstring& path) {
    AutoCloseHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 0;
    IMAGE_DOS_HEADER dos = {};
    DWORD read = 0;
    if (!::ReadFile(file.get(), &dos, sizeof dos, &read, nullptr) || read != sizeof dos ||
        dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew <= 0) {
        return 0;
    }
    if (::SetFilePointer(file.get(), dos.e_lfanew, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return 0;
    struct {
        DWORD signature;
        IMAGE_FILE_HEADER header;
    } pe = {};
    if (!::ReadFile(file.get(), &pe, sizeof pe, &read, nullptr) || read != sizeof pe ||
        pe.signature != IMAGE_NT_SIGNATURE) {
        return 0;
    }
    return pe.header.Machine;
}

}  // namespace

std::wstring ThisModuleFolder() { return base::FolderOf(base::ModulePath(ThisModule())); }

std::wstring SystemLibraryFolder() {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::wstring();
    return std::wstring(folder, length) + L"\\";
}

bool IsFullyQualifiedPath(const std::wstring& path) {
    const auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    if (path.size() >= 3 && path[1] == L':' && separator(path[2])) {
        const wchar_t drive = path[0];
        return (drive >= L'A' && drive <= L'Z') || (drive >= L'a' && drive <= L'z');
    }
    return path.size() >= 3 && separator(path[0]) && separator(path[1]) && !separator(path[2]);
}

bool IsFullyQualifiedPath(const std::string& ansiPath) { return IsFullyQualifiedPath(base::Widen(ansiPath)); }

std::wstring LocateLibrary(const std::wstring& library) {
    if (IsFullyQualifiedPath(library)) return library;
    if (!IsBareName(library)) return std::wstring();
    for (const std::wstring& folder :
         {base::FolderOf(base::ModulePath(nullptr)), ThisModuleFolder(), SystemLibraryFolder()}) {
        if (!folder.empty() && IsFile(folder + library)) return folder + library;
    }
    return std::wstring();
}

std::wstring LocateLibrary(const std::string& ansiLibrary) { return LocateLibrary(base::Widen(ansiLibrary)); }

WORD LibraryMachine(const std::wstring& library) {
    const std::wstring path = LocateLibrary(library);
    return path.empty() ? 0 : PeMachine(path);
}

WORD LibraryMachine(const std::string& ansiLibrary) { return LibraryMachine(base::Widen(ansiLibrary)); }

bool IsLoadableLibrary(const std::string& ansiLibrary) {
    const WORD machine = LibraryMachine(ansiLibrary);
    return machine == 0 || machine == kProcessMachine;
}

HMODULE LoadLocatedLibrary(const std::wstring& library) {
    const std::wstring path = LocateLibrary(library);
    if (path.empty()) return nullptr;
    // The loader's own search would go on to the current folder and PATH for
    // a name; a full path is taken as it stands.
    return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

HMODULE LoadLocatedLibrary(const std::string& ansiLibrary) { return LoadLocatedLibrary(base::Widen(ansiLibrary)); }

}  // namespace email32::base
