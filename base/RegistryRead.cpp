#include "base/RegistryRead.h"

#include "base/Win32Handles.h"

#include <cstring>
#include <vector>

namespace email32::base {
namespace {

struct RootKeyName {
    const char* name;
    HKEY root;
};

const RootKeyName kRootKeys[] = {
    {"HKCR", HKEY_CLASSES_ROOT},
    {"HKCU", HKEY_CURRENT_USER},
    {"HKLM", HKEY_LOCAL_MACHINE},
    {"HKU", HKEY_USERS},
    {"HKPD", HKEY_PERFORMANCE_DATA},
    {"HKDD", HKEY_DYN_DATA},
    {"HKCC", HKEY_CURRENT_CONFIG},
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKEY_USERS", HKEY_USERS},
    {"HKEY_PERFORMANCE_DATA", HKEY_PERFORMANCE_DATA},
    {"HKEY_DYN_DATA", HKEY_DYN_DATA},
    {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
};

}  // namespace

HKEY RootKeyFromName(const char* name) {
    if (name == nullptr) return nullptr;
    for (const RootKeyName& entry : kRootKeys) {
        if (::lstrcmpiA(entry.name, name) == 0) return entry.root;
    }
    return nullptr;
}

std::optional<RegistryText> QueryRegistryText(HKEY root, const std::string& subKey, const char* valueName,
                                              std::size_t bufferSize, REGSAM view) {
    if (root == nullptr || bufferSize == 0) return std::nullopt;
    AutoRegKey key;
    if (::RegOpenKeyExA(root, subKey.c_str(), 0, KEY_QUERY_VALUE | view, key.put()) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::vector<char> buffer(bufferSize, '\0');
    DWORD type = REG_NONE;
    DWORD size = static_cast<DWORD>(bufferSize);
    if (::RegQueryValueExA(key.get(), valueName ? valueName : "", nullptr, &type,
                           reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    const std::size_t stored = size < bufferSize ? size : bufferSize;
    const std::size_t length = ::strnlen(buffer.data(), stored);
    // A text that fills the whole buffer has no room left for the terminator
    // a fixed buffer would need: it is too long.
    if (length >= bufferSize) return std::nullopt;
    return RegistryText{std::string(buffer.data(), length), type};
}

bool RunningUnderWow64() {
    static const bool wow64 = [] {
        BOOL answer = FALSE;
        return ::IsWow64Process(::GetCurrentProcess(), &answer) && answer;
    }();
    return wow64;
}

std::vector<REGSAM> ProgramRegistryViews() {
#if defined(_WIN64)
    return {0, KEY_WOW64_32KEY};
#else
    if (RunningUnderWow64()) return {0, KEY_WOW64_64KEY};
    return {0};
#endif
}

std::optional<RegistryText> QueryProgramRegistryText(HKEY root, const std::string& subKey, const char* valueName,
                                                     std::size_t bufferSize) {
    for (const REGSAM view : ProgramRegistryViews()) {
        std::optional<RegistryText> value = QueryRegistryText(root, subKey, valueName, bufferSize, view);
        if (value) return value;
    }
    return std::nullopt;
}

bool ProgramRegistryValueExists(HKEY root, const std::string& subKey, const char* valueName) {
    if (root == nullptr) return false;
    for (const REGSAM view : ProgramRegistryViews()) {
        AutoRegKey key;
        if (::RegOpenKeyExA(root, subKey.c_str(), 0, KEY_QUERY_VALUE | view, key.put()) != ERROR_SUCCESS) continue;
        if (::RegQueryValueExA(key.get(), valueName ? valueName : "", nullptr, nullptr, nullptr, nullptr) ==
            ERROR_SUCCESS) {
            return true;
        }
    }
    return false;
}

bool ReadMachineString(const char* subKey, const char* valueName, char* buffer, std::size_t bufferSize) {
    if (subKey == nullptr || buffer == nullptr || bufferSize == 0) return false;
    const std::optional<RegistryText> value =
        QueryProgramRegistryText(HKEY_LOCAL_MACHINE, subKey, valueName, kMachineStringBuffer);
    if (!value || value->text.size() >= bufferSize) return false;
    std::memcpy(buffer, value->text.c_str(), value->text.size() + 1);
    return true;
}

}  // namespace email32::base
