// The module-wide path of AliveDB.ini that every send sets again. The links
// take the path of their own send from the send request instead.
#pragma once

#include <string>

namespace email32::dispatch {

[[nodiscard]] const std::string& ModuleAliveDbPath();
void SetModuleAliveDbPath(const std::string& path);

}  // namespace email32::dispatch
