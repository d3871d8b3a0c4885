// Texts of the plug-in's windows: strings of its resources in the user's
// language, with inserts; the text of a control; sizes as the shell writes
// them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace relay {

class WindowTexts {
public:
    explicit WindowTexts(HMODULE module) : m_module(module) {}
    [[nodiscard]] std::wstring Load(UINT id) const;
    // The string with %1, %2, ... replaced by the inserts in order.
    [[nodiscard]] std::wstring Format(UINT id, const std::vector<std::wstring>& inserts) const;

private:
    HMODULE m_module;
};

[[nodiscard]] std::wstring WindowText(HWND window);
// "1.33 MB", "512 bytes", in the user's language.
[[nodiscard]] std::wstring ByteSize(uint64_t bytes);

}  // namespace relay
