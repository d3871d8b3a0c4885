// Texts at the C interface: UTF-16 from and to the module's ANSI texts, and
// the copying of results into the host's buffers.
#pragma once

#include "public/email32.h"

#include <string>

namespace email32 {

// The text in the ANSI code page; false when a character has no form of its
// own there (a best-fit look-alike would name another key or file).
[[nodiscard]] bool ToAnsiExact(const wchar_t* text, std::string& ansi);
[[nodiscard]] std::wstring FromAnsi(const std::string& text);

// A path the ANSI entries of the module can open: the path itself when the
// code page names it, else its short (8.3) form; false when neither exists.
[[nodiscard]] bool AnsiPathOf(const wchar_t* path, std::string& ansi);

// Copies text with its terminating zero into a host buffer of chars
// characters. A null buffer with 0 characters asks for nothing.
template <class Char>
[[nodiscard]] int CopyOut(const std::basic_string<Char>& text, Char* buffer, int chars) noexcept {
    if (chars < 0 || (buffer == nullptr && chars != 0)) return EMAIL32_BAD_ARGUMENT;
    if (buffer == nullptr) return EMAIL32_OK;
    if (text.size() >= static_cast<size_t>(chars)) {
        if (chars > 0) buffer[0] = Char();
        return EMAIL32_BUFFER_TOO_SMALL;
    }
    text.copy(buffer, text.size());
    buffer[text.size()] = Char();
    return EMAIL32_OK;
}

}  // namespace email32
