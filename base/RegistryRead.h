// Reading text values of the registry for detection and the links: keys are
// opened for querying values only and closed before the call returns.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace email32::base {

// The root key that a name such as "HKLM" or "HKEY_LOCAL_MACHINE" stands for
// (letter case ignored); null for a name that is not a root key.
[[nodiscard]] HKEY RootKeyFromName(const char* name);

struct RegistryText {
    std::string text;
    DWORD type = REG_NONE;
};

// A value of root\subKey read into a buffer of bufferSize bytes (the empty
// value name means the key's default value). nullopt when the key or value
// is missing or the value does not fit; a value stored without its
// terminating zero is cut at the end of its data.
// view: 0 for the process's own registry view, KEY_WOW64_64KEY for the
// 64-bit one.
[[nodiscard]] std::optional<RegistryText> QueryRegistryText(HKEY root, const std::string& subKey, const char* valueName,
                                                            std::size_t bufferSize, REGSAM view = 0);

// True when this 32-bit process runs on 64-bit Windows, where 64-bit
// programs register themselves in a registry view of their own.
[[nodiscard]] bool RunningUnderWow64();

// The registry views in which programs record where they are: the process's
// own first, then the other bitness's (a 32-bit process on 32-bit Windows
// has only its own).
[[nodiscard]] std::vector<REGSAM> ProgramRegistryViews();

// The value from the first of those views that holds it.
[[nodiscard]] std::optional<RegistryText> QueryProgramRegistryText(HKEY root, const std::string& subKey,
                                                                   const char* valueName, std::size_t bufferSize);

// Whether root\subKey holds the value at all, whatever its size: tells a
// value that is missing from one that did not fit.
[[nodiscard]] bool ProgramRegistryValueExists(HKEY root, const std::string& subKey, const char* valueName);

// Reads a text value of an HKEY_LOCAL_MACHINE key (the empty name means the
// default value) into buffer (kMachineStringBuffer bytes at most), from the
// process's own registry view or else, under WOW64, the 64-bit one. The key
// is closed on every path.
inline constexpr std::size_t kMachineStringBuffer = 256;
[[nodiscard]] bool ReadMachineString(const char* subKey, const char* valueName, char* buffer, std::size_t bufferSize);

}  // namespace email32::base
