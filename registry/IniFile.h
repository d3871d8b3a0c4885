// Access to the catalogue and the installed list through the Windows profile
// services. Values are cut to the reader's buffer, as the services cut them.
// An empty file path reads as empty and is never written.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace email32::ini {

// Buffer sizes of the files' keys: 259 characters for paths, keys and titles,
// 1023 for the registry names of detection methods 6 and 15.
inline constexpr std::size_t kValueBuffer = 260;
inline constexpr std::size_t kLongValueBuffer = 1024;

// A missing key, section or file reads as the empty text.
[[nodiscard]] std::string ReadString(const std::string& file, const char* section, const char* key,
                                     std::size_t bufferSize = kValueBuffer);

// A missing key, or one that does not start with a number, reads as 0. The
// profile service returns an unsigned number; "-1" comes back as 0xFFFFFFFF.
[[nodiscard]] unsigned int ReadUnsigned(const std::string& file, const char* section, const char* key);
[[nodiscard]] int ReadInt(const std::string& file, const char* section, const char* key);

// Failures are the caller's to ignore: the registry never reports them.
bool WriteString(const std::string& file, const char* section, const char* key, const char* value);
bool DeleteSection(const std::string& file, const char* section);

// Every key name of a section, in file order; the work of a reader that must
// not trust a count written in the file is bounded by these.
[[nodiscard]] std::vector<std::string> KeyNames(const std::string& file, const char* section);

}  // namespace email32::ini
