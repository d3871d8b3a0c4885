#include "framework/ModuleState.h"
#include "sendui/SendOptionsDlg.h"
#include "sendui/SystemChoice.h"

namespace email32::sendui {

bool ShowSendOptions(CWnd* parent, SystemChoice& systems, CPtrArray* items) {
    // The template and the string table are the module's own, whatever the
    // host has made current.
    const framework::ScopedResourceInstance resources(framework::ModuleInstance());
    CSendOptionsDlg dialog(parent, systems);
    dialog.SetItemArray(items);
    return dialog.DoModal() == IDOK;
}

}  // namespace email32::sendui
