#include "framework/ModuleState.h"

namespace email32::framework {
namespace {

HINSTANCE g_moduleInstance = nullptr;
HINSTANCE g_resourceInstance = nullptr;

}  // namespace

HINSTANCE ModuleInstance() noexcept { return g_moduleInstance ? g_moduleInstance : ::GetModuleHandleA(nullptr); }

void SetModuleInstance(HINSTANCE instance) noexcept { g_moduleInstance = instance; }

HINSTANCE ResourceInstance() noexcept { return g_resourceInstance ? g_resourceInstance : ModuleInstance(); }

void SetResourceInstance(HINSTANCE instance) noexcept { g_resourceInstance = instance; }

}  // namespace email32::framework
