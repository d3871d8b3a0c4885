#include "framework/ModuleState.h"
#include "public/EmailComponent.h"
#include "sendui/SendOptionsDlg.h"

void EmailComponent::PutItemArray(CPtrArray* items) { m_items = items; }

bool EmailComponent::SelectDefaultEmailSys(CWnd* parent) {
    RequireNotEmpty();
    // The template and the string table are the module's own, whatever the
    // host has made current.
    const email32::ScopedResourceInstance resources(email32::ModuleInstance());
    // Without an array from PutItemArray the dialog shows no attachments and
    // OK only stores the default.
    CSendOptionsDlg dialog(parent, this);
    dialog.SetItemArray(m_items);
    return dialog.DoModal() == IDOK;
}
