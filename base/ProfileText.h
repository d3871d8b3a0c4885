// A profile (INI) file's whole text, read in its own encoding: the ANSI code
// page, or UTF-8 or UTF-16 after a byte-order mark, as the profile service
// reads them; and the same text encoded back for writing.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace email32::base {

enum class Encoding { CodePage, Utf8, Utf16Le, Utf16Be };

struct ProfileText {
    Encoding encoding = Encoding::CodePage;
    std::string text;  // the code page's bytes, or UTF-8
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    bool exists = false;
};

// An absent file is an empty one. nullopt when the file exists but cannot
// be read, or is larger than `maxBytes`: it is then neither to be trusted
// nor replaced.
[[nodiscard]] std::optional<ProfileText> LoadProfileText(const std::wstring& file, long long maxBytes);

// The text (code page bytes for Encoding::CodePage, else UTF-8) as the file's
// bytes, with the byte-order mark its encoding starts with.
[[nodiscard]] std::string EncodeProfileText(Encoding encoding, const std::string& text);

}  // namespace email32::base
