// The windows of the plug-in module for a send: the compose window and the
// notice, each owned by the process's active window.
#pragma once

#include "companions/relay/MailRelay.h"

#include <windows.h>

namespace relay {

[[nodiscard]] SendWindows PluginWindows(HMODULE plugin);

}  // namespace relay
