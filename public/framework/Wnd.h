// The framework's window object: a window handle and the members the module
// uses of it.
#pragma once

#include "public/framework/CString.h"
#include "public/Email32Api.h"

#include <windows.h>

class EMAIL32_API CWnd {
public:
    CWnd() noexcept = default;
    explicit CWnd(HWND window) noexcept : m_hWnd(window) {}
    virtual ~CWnd() = default;

    [[nodiscard]] HWND GetSafeHwnd() const noexcept { return m_hWnd; }

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }
    BOOL EnableWindow(BOOL enable = TRUE) const { return ::EnableWindow(m_hWnd, enable); }
    [[nodiscard]] BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    void SetWindowText(const char* text) const { ::SetWindowTextA(m_hWnd, text ? text : ""); }
    void GetWindowText(CString& text) const {
        const int length = ::GetWindowTextLengthA(m_hWnd);
        std::string buffer(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
        const int copied = ::GetWindowTextA(m_hWnd, buffer.data(), static_cast<int>(buffer.size()));
        text = CString(buffer.data(), copied > 0 ? copied : 0);
    }

    HWND m_hWnd = nullptr;
};
