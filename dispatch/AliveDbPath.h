// The module-wide path of AliveDB.ini that every send sets again and the
// links read the installed program's path through.
#pragma once

#include <string>

namespace email32 {

[[nodiscard]] const std::string& ModuleAliveDbPath();
void SetModuleAliveDbPath(const std::string& path);

}  // namespace email32
