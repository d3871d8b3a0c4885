// Relay32.dll beside the host, loaded by its full path: never a library of
// that name from the current folder or PATH.
#pragma once

#include <windows.h>

namespace email32::host {

// Null when the host's folder holds no Relay32.dll that loads.
[[nodiscard]] HMODULE LoadPlugIn();

}  // namespace email32::host
