#include "companions/relay/ui/PluginWindows.h"

#include "companions/relay/ui/ComposeWindow.h"
#include "companions/relay/ui/SendNotice.h"

namespace relay {
namespace {

// The caller's active window; else the foreground window when it is this
// process's (a host that sends from another thread than its window's).
HWND ActiveOwner() {
    if (const HWND active = ::GetActiveWindow()) return active;
    const HWND foreground = ::GetForegroundWindow();
    DWORD process = 0;
    ::GetWindowThreadProcessId(foreground, &process);
    return process == ::GetCurrentProcessId() ? foreground : nullptr;
}

}  // namespace

SendWindows PluginWindows(HMODULE plugin) {
    SendWindows windows;
    windows.compose = [plugin](ComposeDraft& draft) { return ShowComposeWindow(ActiveOwner(), plugin, draft); };
    windows.notice = [plugin](const Attention& attention) { return ShowSendNotice(ActiveOwner(), plugin, attention); };
    return windows;
}

}  // namespace relay
