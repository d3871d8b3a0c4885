// Whether this 32-bit process could load a library at all.
#pragma once

#include <string>

namespace email32 {

// False only for a library file that exists and is built for another machine
// than i386 (a 64-bit provider): loading it could only fail. A file that is
// missing or unreadable gets no verdict here.
[[nodiscard]] bool IsLoadableLibrary(const std::string& library);

}  // namespace email32
