#include "registry/MailClient.h"

#include "base/IniFile.h"
#include "base/RegistryRead.h"

#include <windows.h>

#include <cstring>

namespace email32 {
namespace {

constexpr std::size_t kMachineStringBuffer = 256;

}  // namespace

bool ReadMachineString(const char* subKey, const char* valueName, char* buffer, std::size_t bufferSize) {
    if (subKey == nullptr || buffer == nullptr || bufferSize == 0) return false;
    const std::optional<RegistryText> value =
        QueryProgramRegistryText(HKEY_LOCAL_MACHINE, subKey, valueName, kMachineStringBuffer);
    if (!value || value->text.size() >= bufferSize) return false;
    std::memcpy(buffer, value->text.c_str(), value->text.size() + 1);
    return true;
}

bool GetDefaultMailClientName(std::string& name) {
    char buffer[kMachineStringBuffer] = {};
    if (!ReadMachineString("Software\\Clients\\Mail", "", buffer, sizeof buffer)) return false;
    name = buffer;
    return true;
}

bool CheckMailClientRegistration(const char* systemKey, const std::string& clientName, const char* cataloguePath) {
    if (ini::ReadInt(cataloguePath, systemKey, "LinkType") != 2) return true;
    const std::string mailSection = ini::ReadString(cataloguePath, systemKey, "MailSection");
    const std::string dllPath = ini::ReadString(cataloguePath, systemKey, "DllPath");
    if (mailSection.empty() || dllPath.empty()) return true;
    if (QueryProgramRegistryText(HKEY_LOCAL_MACHINE, "Software\\Clients\\mail\\" + mailSection, dllPath.c_str(),
                                 ini::kValueBuffer)) {
        return true;
    }
    const std::string title = ini::ReadString(cataloguePath, systemKey, "Title");
    return title.find(clientName) != std::string::npos;
}

}  // namespace email32
