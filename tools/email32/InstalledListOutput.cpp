#include "tools/email32/InstalledListOutput.h"

#include "public/EmailComponent.h"

#include <windows.h>

#include <cstdio>

namespace email32::host {

void PrintInstalledList(const EmailComponent& component) {
    std::vector<std::string> systems;
    component.GetAllAliveEmailSys(systems);
    std::string defaultKey;
    component.GetDefaultEmailSys(defaultKey);
    for (const std::string& key : systems) {
        std::string title;
        component.GetEmailSysTitleFromDB(key.c_str(), title);
        // The found path is what detection stored for the system.
        char path[MAX_PATH] = {};
        ::GetPrivateProfileStringA(key.c_str(), "Path", "", path, MAX_PATH, component.InstalledListPath().c_str());
        std::printf("%s\t%s\t%s\n", key.c_str(), title.c_str(), path);
    }
    std::printf("default: %s\n", defaultKey.c_str());
}

}  // namespace email32::host
