// Conversions between the narrow texts the plug-in is given (ANSI code page),
// the wide texts the file system speaks, and the UTF-8 a message carries.
#pragma once

#include <string>
#include <string_view>

namespace email32::message {

[[nodiscard]] std::wstring WideFromAnsi(std::string_view ansi);
[[nodiscard]] std::wstring WideFromUtf8(std::string_view utf8);
[[nodiscard]] std::string Utf8FromWide(std::wstring_view wide);

[[nodiscard]] bool IsAscii(std::string_view text) noexcept;

}  // namespace email32::message
