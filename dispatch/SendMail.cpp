#include "public/EmailComponent.h"

#include "dispatch/Links.h"
#include "dispatch/SendMailWide.h"

#include <algorithm>

namespace email32 {

Handover SendToSystem(const std::vector<std::string>& installed, const std::string& defaultKey,
                      const std::string& cataloguePath, const std::string& systemKey, const SendFiles& files,
                      const MessageFields& fields) {
    if (installed.empty()) throw EmailDBEmpty();
    // The empty key stands for the default system, which is not tested again.
    if (systemKey.empty()) return SendByLink(CatalogueEntry(defaultKey, cataloguePath), files, fields);
    if (std::find(installed.begin(), installed.end(), systemKey) == installed.end()) {
        throw EmailSysNotAlive(systemKey);
    }
    return SendByLink(CatalogueEntry(systemKey, cataloguePath), files, fields);
}

Handover SendFilesWithFields(const EmailComponent& component, const std::string& systemKey, const MessageFields& fields,
                             const SendFiles& files) {
    std::vector<std::string> installed;
    component.GetAllAliveEmailSys(installed);  // EmailDBEmpty before anything else
    std::string defaultKey;
    component.GetDefaultEmailSys(defaultKey);
    return SendToSystem(installed, defaultKey, component.CataloguePath(), systemKey, files, fields);
}

Handover SendMessageWide(const EmailComponent& component, const std::string& systemKey, const MessageFields& fields,
                         const std::vector<std::wstring>& files) {
    return SendFilesWithFields(component, systemKey, fields, FilesFromWide(files));
}

Handover SendMailWide(const EmailComponent& component, const std::string& systemKey,
                      const std::vector<std::wstring>& files) {
    return SendMessageWide(component, systemKey, MessageFields(), files);
}

}  // namespace email32

bool EmailComponent::SendMail(const std::string& filePath, const std::string& systemKey) const {
    RequireNotEmpty();
    return SendMail(std::vector<std::string>{filePath}, systemKey);
}

bool EmailComponent::SendMail(const std::vector<std::string>& filePaths, const std::string& systemKey) const {
    return static_cast<bool>(email32::SendToSystem(m_installed, m_defaultKey, m_cataloguePath, systemKey,
                                                   email32::FilesFromAnsi(filePaths)));
}
