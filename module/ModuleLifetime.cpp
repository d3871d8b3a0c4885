#include "module/ModuleLifetime.h"

#include "framework/ResourceModules.h"

#include <new>

namespace email32::module {

bool StartModule(CWinApp* application, HINSTANCE instance) {
    if (application == nullptr) return false;
    application->m_hInstance = instance;
    if (!application->InitInstance()) {
        (void)application->ExitInstance();
        return false;
    }
    try {
        framework::AddResourceModule(instance);
    } catch (const std::bad_alloc&) {
        (void)application->ExitInstance();
        return false;
    }
    return true;
}

void StopModule(CWinApp* application, HINSTANCE instance) {
    framework::RemoveResourceModule(instance);
    if (application != nullptr) (void)application->ExitInstance();
}

}  // namespace email32::module
