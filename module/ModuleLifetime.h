// What the module's entry point does at load and unload, apart from the
// static objects that the runtime makes before and destroys after it.
#pragma once

#include "framework/WinApp.h"

#include <windows.h>

namespace email32::module {

// Gives the application object the module's instance, runs its start-up and
// then lets the module's resources join the resource search. When the
// start-up fails its clean-up runs, the resources stay out and the result is
// false: the module refuses to load.
[[nodiscard]] bool StartModule(CWinApp* application, HINSTANCE instance);

// The reverse: the resources leave the search, then the application object
// cleans up.
void StopModule(CWinApp* application, HINSTANCE instance);

}  // namespace email32::module
