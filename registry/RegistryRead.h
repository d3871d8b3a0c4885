// Reading text values of the registry for detection and the links: keys are
// opened for querying values only and closed before the call returns.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>

namespace email32 {

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
[[nodiscard]] std::optional<RegistryText> QueryRegistryText(HKEY root, const std::string& subKey,
                                                            const char* valueName, std::size_t bufferSize);

// Whether root\subKey holds the value at all, whatever its size: tells a
// value that is missing from one that did not fit.
[[nodiscard]] bool RegistryValueExists(HKEY root, const std::string& subKey, const char* valueName);

}  // namespace email32
