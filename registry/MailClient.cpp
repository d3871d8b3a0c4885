#include "registry/MailClient.h"

#include "base/IniFile.h"
#include "base/RegistryRead.h"

#include <windows.h>

namespace email32::registry {

bool GetDefaultMailClientName(std::string& name) {
    char buffer[base::kMachineStringBuffer] = {};
    if (!base::ReadMachineString("Software\\Clients\\Mail", "", buffer, sizeof buffer)) return false;
    name = buffer;
    return true;
}

bool CheckMailClientRegistration(const base::CatalogueEntry& entry, const std::string& clientName) {
    if (entry.Int("LinkType") != 2) return true;
    const std::string mailSection = entry.Text("MailSection");
    const std::string dllPath = entry.Text("DllPath");
    if (mailSection.empty() || dllPath.empty()) return true;
    if (base::QueryProgramRegistryText(HKEY_LOCAL_MACHINE, "Software\\Clients\\mail\\" + mailSection, dllPath.c_str(),
                                       base::kValueBuffer)) {
        return true;
    }
    const std::string title = entry.Text("Title");
    return title.find(clientName) != std::string::npos;
}

}  // namespace email32::registry
