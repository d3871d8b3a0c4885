#include "public/EmailComponent.h"

#include "dispatch/Links.h"

#include <algorithm>

bool EmailComponent::SendMail(const std::string& filePath, const std::string& systemKey) const {
    RequireNotEmpty();
    return SendMail(std::vector<std::string>{filePath}, systemKey);
}

bool EmailComponent::SendMail(const std::vector<std::string>& filePaths, const std::string& systemKey) const {
    RequireNotEmpty();
    // The empty key stands for the default system, which is not tested again.
    if (systemKey.empty()) {
        return email32::SendByLink(m_defaultKey.c_str(), m_cataloguePath.c_str(), filePaths);
    }
    if (std::find(m_installed.begin(), m_installed.end(), systemKey) == m_installed.end()) {
        throw EmailSysNotAlive(systemKey);
    }
    return email32::SendByLink(systemKey.c_str(), m_cataloguePath.c_str(), filePaths);
}
