#include "framework/Dialog.h"

#include "framework/ModuleState.h"

#include <commctrl.h>

#include <exception>

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

// What a handler threw, told to the user the way the framework reports
// exceptions that reach its message loop. Exceptions must not unwind through
// the platform's dialog code.
void ReportHandlerException(HWND window) noexcept {
    const char* text = "Unexpected file format.";
    try {
        throw;
    } catch (const std::exception& e) {
        text = e.what();
    } catch (...) {}
    ::MessageBoxA(window, text, nullptr, MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

CDialog::~CDialog() = default;

INT_PTR CDialog::DoModal() {
    RegisterCommonControls();
    const HWND owner = m_parent ? m_parent->GetSafeHwnd() : nullptr;
    // A Unicode dialog: its captions and the texts set through the wide
    // functions show in any code page, the template's language included.
    const INT_PTR result = ::DialogBoxParamW(email32::framework::ResourceInstance(), MAKEINTRESOURCEW(m_templateId),
                                             owner, &CDialog::DialogProcedure, reinterpret_cast<LPARAM>(this));
    m_controls.clear();
    m_hWnd = nullptr;
    return result;
}

INT_PTR CALLBACK CDialog::DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CDialog*>(lParam);
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        dialog->m_hWnd = window;
        try {
            return dialog->OnInitDialog();
        } catch (...) {
            // A dialog that could not be set up is not left open half-made.
            ReportHandlerException(window);
            ::EndDialog(window, IDCANCEL);
            return TRUE;
        }
    }
    auto* dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
    if (!dialog || message != WM_COMMAND) return FALSE;
    try {
        return dialog->OnCommandMessage(wParam);
    } catch (...) {
        ReportHandlerException(window);
        return TRUE;
    }
}

INT_PTR CDialog::OnCommandMessage(WPARAM wParam) {
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    if (id == IDOK && code == BN_CLICKED) {
        OnOK();
        return TRUE;
    }
    if (id == IDCANCEL && code == BN_CLICKED) {
        OnCancel();
        return TRUE;
    }
    return OnCommand(id, code) ? TRUE : FALSE;
}
