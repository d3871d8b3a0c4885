#include "dispatch/AliveDbPath.h"

namespace email32::dispatch {
namespace {

// Sends are not concurrent, so one unguarded text serves the whole module.
std::string& Storage() {
    static std::string path;
    return path;
}

}  // namespace

const std::string& ModuleAliveDbPath() { return Storage(); }

void SetModuleAliveDbPath(const std::string& path) { Storage() = path; }

}  // namespace email32::dispatch
