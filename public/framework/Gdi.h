// The framework's graphics objects as far as the module and its exported
// signatures use them: each owns at most one GDI handle and deletes it.
#pragma once

#include "public/Email32Api.h"

#include <windows.h>

class EMAIL32_API CPoint : public POINT {
public:
    CPoint() noexcept : POINT{0, 0} {}
    CPoint(LONG px, LONG py) noexcept : POINT{px, py} {}
};

class EMAIL32_API CRect : public RECT {
public:
    CRect() noexcept : RECT{0, 0, 0, 0} {}
    CRect(LONG l, LONG t, LONG r, LONG b) noexcept : RECT{l, t, r, b} {}
    CRect(const RECT& r) noexcept : RECT(r) {}
    [[nodiscard]] LONG Width() const noexcept { return right - left; }
    [[nodiscard]] LONG Height() const noexcept { return bottom - top; }
    void OffsetRect(LONG dx, LONG dy) noexcept { ::OffsetRect(this, dx, dy); }
    operator RECT*() noexcept { return this; }
    operator const RECT*() const noexcept { return this; }
};

// Base of the objects that wrap one GDI handle.
class EMAIL32_API CGdiObject {
public:
    CGdiObject() noexcept = default;
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    virtual ~CGdiObject() { DeleteObject(); }

    [[nodiscard]] HGDIOBJ GetSafeHandle() const noexcept { return m_hObject; }
    // Takes the handle over; false when null or when one is already held.
    BOOL Attach(HGDIOBJ handle) noexcept {
        if (handle == nullptr || m_hObject != nullptr) return FALSE;
        m_hObject = handle;
        return TRUE;
    }
    HGDIOBJ Detach() noexcept {
        HGDIOBJ handle = m_hObject;
        m_hObject = nullptr;
        return handle;
    }
    BOOL DeleteObject() noexcept {
        if (m_hObject == nullptr) return FALSE;
        return ::DeleteObject(Detach());
    }

    HGDIOBJ m_hObject = nullptr;
};

class EMAIL32_API CPalette : public CGdiObject {
public:
    operator HPALETTE() const noexcept { return static_cast<HPALETTE>(m_hObject); }
    BOOL CreatePalette(const LOGPALETTE* logical) noexcept { return Attach(::CreatePalette(logical)); }
    UINT GetPaletteEntries(UINT start, UINT count, PALETTEENTRY* entries) const noexcept {
        return m_hObject ? ::GetPaletteEntries(static_cast<HPALETTE>(m_hObject), start, count, entries) : 0;
    }
    [[nodiscard]] int GetEntryCount() const noexcept {
        return m_hObject ? static_cast<int>(::GetPaletteEntries(static_cast<HPALETTE>(m_hObject), 0, 0, nullptr)) : 0;
    }
};

class EMAIL32_API CFont : public CGdiObject {
public:
    operator HFONT() const noexcept { return static_cast<HFONT>(m_hObject); }
    BOOL CreateFontIndirect(const LOGFONTA* font) noexcept { return Attach(::CreateFontIndirectA(font)); }
};

// A device context the caller owns or borrows; the object does not release it.
class EMAIL32_API CDC {
public:
    CDC() noexcept = default;
    explicit CDC(HDC dc) noexcept : m_hDC(dc) {}
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;
    virtual ~CDC() = default;
    [[nodiscard]] HDC GetSafeHdc() const noexcept { return m_hDC; }

    HDC m_hDC = nullptr;
};

// The screen's (or a window's client area's) device context for the
// lifetime of the object.
class EMAIL32_API CClientDC : public CDC {
public:
    explicit CClientDC(HWND window) noexcept : CDC(::GetDC(window)), m_window(window) {}
    ~CClientDC() override {
        if (m_hDC) ::ReleaseDC(m_window, m_hDC);
    }

private:
    HWND m_window;
};
