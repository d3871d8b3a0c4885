// Thin owners for Win32 handles: every handle the module opens is closed on
// every path, including the ones an exception takes.
#pragma once

#include <windows.h>

#include <utility>

namespace email32::base {

template <typename Traits>
class UniqueHandle {
public:
    using handle_type = typename Traits::handle_type;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(handle_type handle) noexcept : m_handle(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    [[nodiscard]] handle_type get() const noexcept { return m_handle; }
    [[nodiscard]] bool valid() const noexcept { return Traits::valid(m_handle); }
    explicit operator bool() const noexcept { return valid(); }

    // For out-parameters of APIs that create the handle.
    handle_type* put() noexcept {
        reset();
        return &m_handle;
    }
    [[nodiscard]] handle_type release() noexcept { return std::exchange(m_handle, Traits::invalid()); }
    void reset(handle_type handle = Traits::invalid()) noexcept {
        if (Traits::valid(m_handle)) Traits::close(m_handle);
        m_handle = handle;
    }

private:
    handle_type m_handle = Traits::invalid();
};

struct KernelHandleTraits {
    using handle_type = HANDLE;
    static handle_type invalid() noexcept { return nullptr; }
    static bool valid(handle_type h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(handle_type h) noexcept { ::CloseHandle(h); }
};

// CreateFile reports failure with INVALID_HANDLE_VALUE, others with null;
// the owner treats both as empty.
using AutoCloseHandle = UniqueHandle<KernelHandleTraits>;

struct RegKeyTraits {
    using handle_type = HKEY;
    static handle_type invalid() noexcept { return nullptr; }
    static bool valid(handle_type h) noexcept { return h != nullptr; }
    static void close(handle_type h) noexcept { ::RegCloseKey(h); }
};
using AutoRegKey = UniqueHandle<RegKeyTraits>;

struct LibraryTraits {
    using handle_type = HMODULE;
    static handle_type invalid() noexcept { return nullptr; }
    static bool valid(handle_type h) noexcept { return h != nullptr; }
    static void close(handle_type h) noexcept { ::FreeLibrary(h); }
};
using AutoLibrary = UniqueHandle<LibraryTraits>;

struct MappedViewTraits {
    using handle_type = const void*;
    static handle_type invalid() noexcept { return nullptr; }
    static bool valid(handle_type h) noexcept { return h != nullptr; }
    static void close(handle_type h) noexcept { ::UnmapViewOfFile(h); }
};
using AutoMappedView = UniqueHandle<MappedViewTraits>;

struct GdiObjectTraits {
    using handle_type = HGDIOBJ;
    static handle_type invalid() noexcept { return nullptr; }
    static bool valid(handle_type h) noexcept { return h != nullptr; }
    static void close(handle_type h) noexcept { ::DeleteObject(h); }
};
using AutoGdiObject = UniqueHandle<GdiObjectTraits>;

struct MemoryDcTraits {
    using handle_type = HDC;
    static handle_type invalid() noexcept { return nullptr; }
    static bool valid(handle_type h) noexcept { return h != nullptr; }
    static void close(handle_type h) noexcept { ::DeleteDC(h); }
};
using AutoMemoryDc = UniqueHandle<MemoryDcTraits>;

struct IconTraits {
    using handle_type = HICON;
    static handle_type invalid() noexcept { return nullptr; }
    static bool valid(handle_type h) noexcept { return h != nullptr; }
    static void close(handle_type h) noexcept { ::DestroyIcon(h); }
};
using AutoIcon = UniqueHandle<IconTraits>;

// A window's device context, released to the window it came from.
class WindowDc {
public:
    explicit WindowDc(HWND window) noexcept : m_window(window), m_dc(::GetDC(window)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (m_dc) ::ReleaseDC(m_window, m_dc);
    }
    [[nodiscard]] HDC get() const noexcept { return m_dc; }

private:
    HWND m_window;
    HDC m_dc;
};

// Selects an object into a device context and selects the previous one back.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) noexcept
        : m_dc(dc), m_previous(dc && object ? ::SelectObject(dc, object) : nullptr) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject() {
        if (m_previous) ::SelectObject(m_dc, m_previous);
    }

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

// An entry of a loaded library as a typed function pointer; null when missing.
template <typename Fn>
[[nodiscard]] Fn ProcAddress(HMODULE library, const char* name) noexcept {
    FARPROC entry = library ? ::GetProcAddress(library, name) : nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(entry));
}

}  // namespace email32::base
