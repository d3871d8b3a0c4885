#include "public/EmailComponent.h"

#include "dispatch/Links.h"
#include "dispatch/SendMailWide.h"

#include <algorithm>

namespace email32 {

bool SendToSystem(const std::vector<std::string>& installed, const std::string& defaultKey,
                  const std::string& cataloguePath, const std::string& systemKey, const SendFiles& files) {
    if (installed.empty()) throw EmailDBEmpty();
    // The empty key stands for the default system, which is not tested again.
    if (systemKey.empty()) return SendByLink(CatalogueEntry(defaultKey, cataloguePath), files);
    if (std::find(installed.begin(), installed.end(), systemKey) == installed.end()) {
        throw EmailSysNotAlive(systemKey);
    }
    return SendByLink(CatalogueEntry(systemKey, cataloguePath), files);
}

bool SendMailWide(const EmailComponent& component, const std::string& systemKey,
                  const std::vector<std::wstring>& files) {
    std::vector<std::string> installed;
    component.GetAllAliveEmailSys(installed);  // EmailDBEmpty before anything else
    std::string defaultKey;
    component.GetDefaultEmailSys(defaultKey);
    return SendToSystem(installed, defaultKey, component.CataloguePath(), systemKey, FilesFromWide(files));
}

}  // namespace email32

bool EmailComponent::SendMail(const std::string& filePath, const std::string& systemKey) const {
    RequireNotEmpty();
    return SendMail(std::vector<std::string>{filePath}, systemKey);
}

bool EmailComponent::SendMail(const std::vector<std::string>& filePaths, const std::string& systemKey) const {
    return email32::SendToSystem(m_installed, m_defaultKey, m_cataloguePath, systemKey,
                                 email32::FilesFromAnsi(filePaths));
}
