// What the screen shows of a window, saved as a 24-bit bitmap file.
#pragma once

#include <windows.h>

#include <string>

namespace email32::demo {

// Returns false when the window cannot be captured or the file not written.
[[nodiscard]] bool SaveWindowAsBitmap(HWND window, const std::string& path);

}  // namespace email32::demo
