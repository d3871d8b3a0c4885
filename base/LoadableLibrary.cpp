#include "base/LoadableLibrary.h"

#include "base/Win32Handles.h"

#include <windows.h>

namespace email32 {
namespace {

// The file that LoadLibrary would open for a name or path: a path is taken
// as it stands, a bare name is looked for as the library search would.
std::string LocateLibrary(const std::string& library) {
    if (library.find_first_of("\\/:") != std::string::npos) return library;
    char found[MAX_PATH] = {};
    const DWORD length = ::SearchPathA(nullptr, library.c_str(), nullptr, MAX_PATH, found, nullptr);
    return length > 0 && length < MAX_PATH ? std::string(found, length) : std::string();
}

// The machine field of a PE file's header; 0 when the file is missing or
// not a PE file.
WORD PeMachine(const std::string& path) {
    AutoCloseHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
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

bool IsLoadableLibrary(const std::string& library) {
    const std::string path = LocateLibrary(library);
    if (path.empty()) return true;
    const WORD machine = PeMachine(path);
    return machine == 0 || machine == IMAGE_FILE_MACHINE_I386;
}

}  // namespace email32
