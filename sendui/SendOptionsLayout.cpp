// The send options dialog's one change of layout: the list of systems shows
// every title whole, growing with the dialog when a title needs it.
#include "sendui/SendOptionsDlg.h"

#include <algorithm>

namespace {

// Moves a child window by dx and widens it by grow.
void Shift(HWND child, HWND parent, int dx, int grow) {
    RECT rect{};
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    ::SetWindowPos(child, nullptr, rect.left + dx, rect.top, rect.right - rect.left + grow, rect.bottom - rect.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

// Small icons one under the other, in a single column without a header: the
// column can be measured and sized to the widest title, which the small-icon
// view cannot (it cuts long titles off at its grid or behind a scroll bar).
void CSendOptionsDlg::ListTitlesInOneColumn() {
    const HWND list = m_pSystems->GetSafeHwnd();
    const LONG_PTR style = ::GetWindowLongPtrW(list, GWL_STYLE);
    ::SetWindowLongPtrW(list, GWL_STYLE, (style & ~LVS_TYPEMASK) | LVS_REPORT | LVS_NOCOLUMNHEADER);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    ::SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
}

// When the widest title is wider than the list, the list and the dialog grow
// by what is missing and the controls right of the list move along; the
// dialog stays within the work area.
void CSendOptionsDlg::FitListToTitles() {
    const HWND list = m_pSystems->GetSafeHwnd();
    ::SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE);
    const int widest = static_cast<int>(::SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
    RECT window{}, client{};
    ::GetWindowRect(list, &window);
    ::GetClientRect(list, &client);
    const LONG_PTR style = ::GetWindowLongPtrW(list, GWL_STYLE);
    const int barWidth = ::GetSystemMetrics(SM_CXVSCROLL);
    const int hasVerticalBar = (style & WS_VSCROLL) != 0;
    const int frame = (window.right - window.left) - client.right - (hasVerticalBar ? barWidth : 0);
    const int rows = m_pSystems->GetItemCount();
    const int perPage = static_cast<int>(::SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
    const int needed = widest + frame + (rows > perPage ? barWidth : 0);
    int grow = needed - (window.right - window.left);

    if (grow > 0) {
        RECT dialog{}, work{};
        ::GetWindowRect(m_hWnd, &dialog);
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        grow = std::min(grow, static_cast<int>((work.right - work.left) - (dialog.right - dialog.left)));
    }
    if (grow > 0) {
        for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            RECT rect{};
            ::GetWindowRect(child, &rect);
            if (child == list) {
                Shift(child, m_hWnd, 0, grow);
            } else if (rect.left >= window.right) {
                Shift(child, m_hWnd, grow, 0);
            }
        }
        RECT dialog{}, work{};
        ::GetWindowRect(m_hWnd, &dialog);
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        const int width = dialog.right - dialog.left + grow;
        const int left = std::max(work.left, std::min(dialog.left, work.right - width));
        ::SetWindowPos(m_hWnd, nullptr, left, dialog.top, width, dialog.bottom - dialog.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // The column fills the list, so a selected row is marked across it.
    ::GetClientRect(list, &client);
    ::SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, std::max(widest, static_cast<int>(client.right)));
}
