#pragma once

#include <string>

namespace email32 {

// Drive and folder of the host process's executable, ending in a backslash.
[[nodiscard]] std::string HostExecutableFolder();

// Drive and folder of a path, as _splitpath gives them: the folder keeps its
// trailing backslash, name and extension are dropped.
[[nodiscard]] std::string DriveAndFolder(const std::string& path);

}  // namespace email32
