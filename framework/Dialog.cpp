#include "framework/Dialog.h"

#include "framework/ModuleState.h"

#include <commctrl.h>

namespace {

// The list view and the other common controls a template may name must be
// registered before the first dialog is created from it.
void RegisterCommonControls() {
    static const bool registered = [] {
        INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
        return ::InitCommonControlsEx(&controls) != FALSE;
    }();
    (void)registered;
}

}  // namespace

CDialog::~CDialog() = default;

INT_PTR CDialog::DoModal() {
    RegisterCommonControls();
    const HWND owner = m_parent ? m_parent->GetSafeHwnd() : nullptr;
    const INT_PTR result = ::DialogBoxParamA(email32::ResourceInstance(), MAKEINTRESOURCEA(m_templateId), owner,
                                             &CDialog::DialogProcedure, reinterpret_cast<LPARAM>(this));
    m_controls.clear();
    m_hWnd = nullptr;
    return result;
}

INT_PTR CALLBACK CDialog::DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CDialog*>(lParam);
        ::SetWindowLongPtrA(window, DWLP_USER, lParam);
        dialog->m_hWnd = window;
        return dialog->OnInitDialog();
    }
    auto* dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(window, DWLP_USER));
    if (!dialog) return FALSE;
    if (message == WM_COMMAND) {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (id == IDOK && code == BN_CLICKED) {
            dialog->OnOK();
            return TRUE;
        }
        if (id == IDCANCEL && code == BN_CLICKED) {
            dialog->OnCancel();
            return TRUE;
        }
        return dialog->OnCommand(id, code) ? TRUE : FALSE;
    }
    return FALSE;
}
