// Conversions between the ANSI code page, UTF-16 and UTF-8: the only place
// that calls the platform's converters.
//
// The ANSI code page may be UTF-8 (a host whose manifest asks for it): the
// converters then refuse the flags of the other code pages, which is handled
// here once. Narrowing never picks a best-fit look-alike: "Ω" must not become
// "O" and name another file.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace email32::base {

// The text in UTF-16; a byte sequence the code page does not define becomes
// U+FFFD, as the platform reads it.
[[nodiscard]] std::wstring Widen(std::string_view text, UINT codePage = CP_ACP);
// nullopt when a byte sequence is not defined in the code page.
[[nodiscard]] std::optional<std::wstring> WidenExact(std::string_view text, UINT codePage = CP_ACP);

// The text in the code page; a character the code page lacks becomes its
// default character ("?"), never a look-alike.
[[nodiscard]] std::string Narrow(std::wstring_view text, UINT codePage = CP_ACP);
// nullopt when a character has no form of its own in the code page (the
// text read back would differ).
[[nodiscard]] std::optional<std::string> NarrowExact(std::wstring_view text, UINT codePage = CP_ACP);

// The UTF-8 form written straight into a buffer of `size` bytes (a secret
// that must leave no copy behind); the bytes it takes, or, with a null
// buffer, the bytes it needs. 0 when it does not fit.
[[nodiscard]] std::size_t Utf8Into(std::wstring_view text, char* buffer, std::size_t size);

[[nodiscard]] inline std::string Utf8(std::wstring_view text) { return Narrow(text, CP_UTF8); }
[[nodiscard]] inline std::wstring FromUtf8(std::string_view text) { return Widen(text, CP_UTF8); }
// ANSI text as UTF-8, through UTF-16.
[[nodiscard]] inline std::string Utf8FromAnsi(std::string_view text) { return Utf8(Widen(text)); }

}  // namespace email32::base
