// The framework's modal dialog: a dialog template of the module run by the
// platform's modal dialog machinery, with its notifications turned into
// virtual calls.
#pragma once

#include "public/framework/Wnd.h"

#include <map>
#include <memory>

class CDialog : public CWnd {
public:
    CDialog(UINT templateId, CWnd* parent) noexcept : m_templateId(templateId), m_parent(parent) {}
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;
    ~CDialog() override;

    // Shows the dialog from the current resource instance and runs its
    // message loop; IDOK, IDCANCEL or what EndDialog was given, -1 when the
    // dialog could not be created.
    virtual INT_PTR DoModal();

    // A control of the dialog as a framework object of type T, owned by the
    // dialog and valid while the dialog window exists; null when there is no
    // such control.
    template <class T>
    T* GetDlgItemAs(int id) {
        HWND control = ::GetDlgItem(m_hWnd, id);
        if (!control) return nullptr;
        std::unique_ptr<CWnd>& slot = m_controls[id];
        T* typed = dynamic_cast<T*>(slot.get());
        if (!typed || typed->m_hWnd != control) {
            auto made = std::make_unique<T>();
            made->m_hWnd = control;
            typed = made.get();
            slot = std::move(made);
        }
        return typed;
    }
    CWnd* GetDlgItem(int id) { return GetDlgItemAs<CWnd>(id); }

    void EndDialog(INT_PTR result) const { ::EndDialog(m_hWnd, result); }

protected:
    virtual void DoDataExchange(void* exchange) { (void)exchange; }
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // A control's notification (WM_COMMAND other than IDOK and IDCANCEL);
    // true when it was handled.
    virtual bool OnCommand(int id, int code) {
        (void)id;
        (void)code;
        return false;
    }

private:
    INT_PTR OnCommandMessage(WPARAM wParam);
    static INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    UINT m_templateId;
    CWnd* m_parent;
    std::map<int, std::unique_ptr<CWnd>> m_controls;
};
