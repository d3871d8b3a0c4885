// The framework's mutex and event objects: each owns one kernel handle.
#pragma once

#include "base/Win32Handles.h"

#include <windows.h>

class CMutex {
public:
    explicit CMutex(BOOL initiallyOwn = FALSE) noexcept : m_handle(::CreateMutexA(nullptr, initiallyOwn, nullptr)) {}
    [[nodiscard]] HANDLE Handle() const noexcept { return m_handle.get(); }

private:
    email32::base::AutoCloseHandle m_handle;
};

class CEvent {
public:
    explicit CEvent(BOOL initiallySignalled = FALSE, BOOL manualReset = FALSE) noexcept
        : m_handle(::CreateEventA(nullptr, manualReset, initiallySignalled, nullptr)) {}
    BOOL SetEvent() noexcept { return m_handle ? ::SetEvent(m_handle.get()) : FALSE; }
    [[nodiscard]] HANDLE Handle() const noexcept { return m_handle.get(); }

private:
    email32::base::AutoCloseHandle m_handle;
};
