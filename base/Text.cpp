#include "base/Text.h"

namespace email32::base {
namespace {

// The code page the converters are given: the ANSI code page by number when
// it is UTF-8, so that the flags below follow it.
UINT Resolved(UINT codePage) {
    if (codePage == CP_ACP) return ::GetACP();
    return codePage;
}

// UTF-7, UTF-8 and the stateful code pages take no narrowing flags and no
// default character; they have a form for every character (or none).
bool TakesNarrowingFlags(UINT codePage) {
    return codePage != CP_UTF8 && codePage != CP_UTF7 && codePage != 42 && !(codePage >= 50220 && codePage <= 50229) &&
           !(codePage >= 57002 && codePage <= 57011);
}

std::optional<std::wstring> ToWide(std::string_view text, UINT codePage, DWORD flags) {
    if (text.empty()) return std::wstring();
    const int size = static_cast<int>(text.size());
    const int length = ::MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
    if (length <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (::MultiByteToWideChar(codePage, flags, text.data(), size, wide.data(), length) != length) return std::nullopt;
    return wide;
}

// The narrow form; `lossy` tells whether the default character stood in.
std::optional<std::string> ToNarrow(std::wstring_view text, UINT codePage, bool& lossy) {
    lossy = false;
    if (text.empty()) return std::string();
    const bool flagged = TakesNarrowingFlags(codePage);
    const DWORD flags = flagged ? WC_NO_BEST_FIT_CHARS : 0;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultOut = flagged ? &usedDefault : nullptr;
    const int size = static_cast<int>(text.size());
    const int length = ::WideCharToMultiByte(codePage, flags, text.data(), size, nullptr, 0, nullptr, usedDefaultOut);
    if (length <= 0) return std::nullopt;
    std::string narrow(static_cast<std::size_t>(length), '\0');
    if (::WideCharToMultiByte(codePage, flags, text.data(), size, narrow.data(), length, nullptr, usedDefaultOut) !=
        length) {
        return std::nullopt;
    }
    lossy = usedDefault != FALSE;
    return narrow;
}

}  // namespace

std::wstring Widen(std::string_view text, UINT codePage) {
    return ToWide(text, Resolved(codePage), 0).value_or(std::wstring());
}

std::optional<std::wstring> WidenExact(std::string_view text, UINT codePage) {
    return ToWide(text, Resolved(codePage), MB_ERR_INVALID_CHARS);
}

std::string Narrow(std::wstring_view text, UINT codePage) {
    bool lossy = false;
    return ToNarrow(text, Resolved(codePage), lossy).value_or(std::string());
}

std::size_t Utf8Into(std::wstring_view text, char* buffer, std::size_t size) {
    if (text.empty()) return 0;
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), buffer,
                                             buffer == nullptr ? 0 : static_cast<int>(size), nullptr, nullptr);
    return length > 0 ? static_cast<std::size_t>(length) : 0;
}

std::optional<std::string> NarrowExact(std::wstring_view text, UINT codePage) {
    const UINT resolved = Resolved(codePage);
    bool lossy = false;
    std::optional<std::string> narrow = ToNarrow(text, resolved, lossy);
    // A code page without a default character, or one that maps several
    // characters onto one (and UTF-8 given an unpaired surrogate), reports
    // no substitution: the round trip tells.
    if (!narrow || lossy || Widen(*narrow, resolved) != text) return std::nullopt;
    return narrow;
}

}  // namespace email32::base
