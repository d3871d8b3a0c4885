// Access to the catalogue and the installed list: reads through the Windows
// profile services, which cut values to the reader's buffer; writes of a
// whole new text at once (Rewrite). An empty file path reads as empty and is
// never written.
#pragma once

#include "base/IniDocument.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace email32::base {

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

enum class RewriteResult {
    Written,  // the new text is in place (or equals the old one)
    Busy,     // another writer held the file's lock past the wait: nothing written
    Failed,   // the file cannot be read or replaced, is read-only, or its path is not a full one
};

// Edits the file's text in memory and puts the new text in place in one
// step: written beside the file, then put in its place with ReplaceFile
// (which keeps the file's permissions), so that a reader sees the old text
// or the new one, never a part; every line the edits do not touch stays
// byte for byte, in the file's own encoding (the code page, or UTF-8 or
// UTF-16 after a byte-order mark). Runs under the file's FileLock; clears
// temporary files of this kind older than a day that a writer which died
// left beside it. The file is unchanged unless Written.
[[nodiscard]] RewriteResult Rewrite(const std::string& file, const std::function<void(IniDocument&)>& edit);

// Every key name of a section, in file order; the work of a reader that must
// not trust a count written in the file is bounded by these.
[[nodiscard]] std::vector<std::string> KeyNames(const std::string& file, const char* section);

}  // namespace email32::base
