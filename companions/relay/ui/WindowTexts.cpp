#include "companions/relay/ui/WindowTexts.h"

#include <shlwapi.h>

namespace relay {

std::wstring WindowTexts::Load(UINT id) const {
    const wchar_t* text = nullptr;
    const int length = ::LoadStringW(m_module, id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

std::wstring WindowTexts::Format(UINT id, const std::vector<std::wstring>& inserts) const {
    const std::wstring pattern = Load(id);
    // Every insert a string may name is there, given or empty.
    std::vector<DWORD_PTR> arguments(9, reinterpret_cast<DWORD_PTR>(L""));
    for (size_t i = 0; i < inserts.size() && i < arguments.size(); ++i) {
        arguments[i] = reinterpret_cast<DWORD_PTR>(inserts[i].c_str());
    }
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_ARGUMENT_ARRAY, pattern.c_str(), 0,
        0, reinterpret_cast<LPWSTR>(&text), 0, reinterpret_cast<va_list*>(arguments.data()));
    std::wstring formatted = length > 0 && text != nullptr ? std::wstring(text, length) : pattern;
    if (text != nullptr) ::LocalFree(text);
    return formatted;
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring ByteSize(uint64_t bytes) {
    wchar_t text[64] = {};
    if (!::StrFormatByteSizeW(static_cast<LONGLONG>(bytes), text, 64)) return std::to_wstring(bytes);
    return text;
}

}  // namespace relay
