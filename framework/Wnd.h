// The framework's window object: a window handle and the members the module
// uses of it.
#pragma once

#include "public/Email32Api.h"

#include <windows.h>

class EMAIL32_API CWnd {
public:
    CWnd() noexcept = default;
    explicit CWnd(HWND window) noexcept : m_hWnd(window) {}
    virtual ~CWnd() = default;

    [[nodiscard]] HWND GetSafeHwnd() const noexcept { return m_hWnd; }

    HWND m_hWnd = nullptr;
};
