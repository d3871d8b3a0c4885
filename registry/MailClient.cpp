#include "registry/MailClient.h"

#include "base/IniFile.h"
#include "base/RegistryRead.h"

#include <windows.h>

namespace email32 {

bool GetDefaultMailClientName(std::string& name) {
    char buffer[kMachineStringBuffer] = {};
    if (!ReadMachineString("Software\\Clients\\Mail", "", buffer, sizeof buffer)) return false;
    name = buffer;
    return true;
}

bool CheckMailClientRegistration(const CatalogueEntry& entry, const std::string& clientName) {
    if (entry.Int("LinkType") != 2) return true;
    const std::string mailSection = entry.Text("MailSection");
    const std::string dllPath = entry.Text("DllPath");
    if (mailSection.empty() || dllPath.empty()) return true;
    if (QueryProgramRegistryText(HKEY_LOCAL_MACHINE, "Software\\Clients\\mail\\" + mailSection, dllPath.c_str(),
                                 ini::kValueBuffer)) {
        return true;
    }
    const std::string title = entry.Text("Title");
    return title.find(clientName) != std::string::npos;
}

}  // namespace email32
