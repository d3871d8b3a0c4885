// Drives the real send options dialog from a second thread (or another
// process) the way a user would: choices in the combo boxes, the list of
// systems, OK and Cancel.
#pragma once

#include "sendui/ResourceIds.h"
#include "tests/sendui/SendUiTestFiles.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace email32::test {

class DialogSession {
public:
    explicit DialogSession(HWND dialog) : m_dialog(dialog) {}
    [[nodiscard]] HWND window() const noexcept { return m_dialog; }
    [[nodiscard]] HWND Item(int id) const { return ::GetDlgItem(m_dialog, id); }

    // Selects item index of a combo box and sends the notification a user's
    // choice sends; returns when the dialog has handled it.
    void Select(int comboId, int index) const {
        ::SendMessageA(Item(comboId), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        ::SendMessageA(m_dialog, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELENDOK),
                       reinterpret_cast<LPARAM>(Item(comboId)));
    }
    [[nodiscard]] std::string Text(int id) const {
        char text[512] = {};
        ::GetDlgItemTextA(m_dialog, id, text, sizeof text);
        return text;
    }
    [[nodiscard]] std::wstring Caption() const {
        wchar_t text[128] = {};
        ::GetWindowTextW(m_dialog, text, 128);
        return text;
    }
    [[nodiscard]] std::wstring WideText(int id) const {
        wchar_t text[128] = {};
        ::GetDlgItemTextW(m_dialog, id, text, 128);
        return text;
    }
    [[nodiscard]] std::string ComboText(int id) const {
        const HWND combo = Item(id);
        const LRESULT index = ::SendMessageA(combo, CB_GETCURSEL, 0, 0);
        char text[256] = {};
        if (index >= 0) ::SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
        return text;
    }
    [[nodiscard]] std::wstring WideComboText(int id, int index) const {
        wchar_t text[256] = {};
        ::SendMessageW(Item(id), CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
        return text;
    }
    [[nodiscard]] int ComboCount(int id) const { return static_cast<int>(::SendMessageA(Item(id), CB_GETCOUNT, 0, 0)); }
    [[nodiscard]] bool Enabled(int id) const { return ::IsWindowEnabled(Item(id)) != FALSE; }
    [[nodiscard]] int SelectedSystem() const {
        return static_cast<int>(
            ::SendMessageA(Item(IDC_SYSTEM_LIST), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    }
    // Selects system index alone; -1 clears the selection.
    void SelectSystem(int index) const {
        LVITEMA item{};
        item.stateMask = LVIS_SELECTED;
        ::SendMessageA(Item(IDC_SYSTEM_LIST), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                       reinterpret_cast<LPARAM>(&item));
        if (index < 0) return;
        item.state = LVIS_SELECTED;
        ::SendMessageA(Item(IDC_SYSTEM_LIST), LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                       reinterpret_cast<LPARAM>(&item));
    }
    // A key pressed in a control; works across processes, where messages
    // carrying pointers do not.
    void Key(int id, WPARAM key) const {
        ::SendMessageA(Item(id), WM_KEYDOWN, key, 0);
        ::SendMessageA(Item(id), WM_KEYUP, key, 0);
    }
    void Click(int id) const {
        ::PostMessageA(m_dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id)));
    }

    // Saves what the screen shows of the dialog as a bitmap file.
    void SaveScreenshot(const std::string& path) const;

private:
    HWND m_dialog;
};

struct DialogSearch {
    DWORD processId;
    HWND found;
};

inline BOOL CALLBACK VisitForDialog(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<DialogSearch*>(data);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    char cls[32] = {};
    ::GetClassNameA(window, cls, sizeof cls);
    if ((search->processId == 0 || pid == search->processId) && std::string(cls) == "#32770" &&
        ::IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The send options dialog of a thread or a process, once it is shown; null
// after the timeout.
inline HWND WaitForDialog(DWORD threadId, DWORD processId, int timeoutMs = 15000) {
    for (int waited = 0; waited < timeoutMs; waited += 20) {
        DialogSearch search{processId, nullptr};
        if (threadId) {
            ::EnumThreadWindows(threadId, VisitForDialog, reinterpret_cast<LPARAM>(&search));
        } else {
            ::EnumWindows(VisitForDialog, reinterpret_cast<LPARAM>(&search));
        }
        if (search.found) return search.found;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return nullptr;
}

// Runs show() (which shows the dialog modally) on this thread while script
// drives the dialog from a second thread. A script that leaves the dialog
// open has it cancelled. Returns whether the dialog was seen.
template <typename Show>
bool DriveDialog(Show show, const std::function<void(DialogSession&)>& script) {
    const DWORD self = ::GetCurrentThreadId();
    bool seen = false;
    std::thread driver([&] {
        const HWND dialog = WaitForDialog(self, 0);
        if (!dialog) return;
        seen = true;
        DialogSession session(dialog);
        script(session);
        for (int waited = 0; ::IsWindow(dialog) && waited < 5000; waited += 20) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (::IsWindow(dialog)) session.Click(IDCANCEL);
    });
    show();
    driver.join();
    return seen;
}

inline void DialogSession::SaveScreenshot(const std::string& path) const {
    ::RedrawWindow(m_dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    RECT rect{};
    ::GetWindowRect(m_dialog, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    BITMAPINFOHEADER header{sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    const DWORD lineBytes = static_cast<DWORD>((width * 3 + 3) & ~3);
    header.biSizeImage = lineBytes * static_cast<DWORD>(height);
    void* bits = nullptr;
    const HDC screen = ::GetDC(nullptr);
    const HDC memory = ::CreateCompatibleDC(screen);
    const HBITMAP bitmap =
        ::CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ previous = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    ::GdiFlush();
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + header.biSizeImage;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&header), sizeof header);
    bytes.append(static_cast<const char*>(bits), header.biSizeImage);
    ::SelectObject(memory, previous);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    WriteFile(path, bytes);
}

}  // namespace email32::test
