#include "hostapi/HostText.h"

#include <vector>

namespace email32 {

bool ToAnsiExact(const wchar_t* text, std::string& ansi) {
    ansi.clear();
    if (text == nullptr || *text == L'\0') return true;
    // UTF-8 as the ANSI code page names everything, and refuses the flags.
    const bool utf8 = ::GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL lossy = FALSE;
    BOOL* lossyOut = utf8 ? nullptr : &lossy;
    const int bytes = ::WideCharToMultiByte(CP_ACP, flags, text, -1, nullptr, 0, nullptr, lossyOut);
    if (bytes <= 0 || lossy) return false;
    std::string converted(static_cast<size_t>(bytes), '\0');
    if (::WideCharToMultiByte(CP_ACP, flags, text, -1, converted.data(), bytes, nullptr, lossyOut) != bytes || lossy) {
        return false;
    }
    converted.pop_back();  // the terminating zero
    // A round trip must give the text back: some code pages map several
    // characters onto one without reporting it.
    if (FromAnsi(converted) != text) return false;
    ansi = std::move(converted);
    return true;
}

std::wstring FromAnsi(const std::string& text) {
    if (text.empty()) return {};
    const int chars = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(chars > 0 ? chars : 0), L'\0');
    if (chars > 0) ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), chars);
    return wide;
}

bool AnsiPathOf(const wchar_t* path, std::string& ansi) {
    if (ToAnsiExact(path, ansi)) return true;
    const DWORD needed = ::GetShortPathNameW(path, nullptr, 0);
    if (needed == 0) return false;
    std::vector<wchar_t> shortPath(needed);
    const DWORD length = ::GetShortPathNameW(path, shortPath.data(), needed);
    if (length == 0 || length >= needed) return false;
    return ToAnsiExact(shortPath.data(), ansi);
}

}  // namespace email32
