#include "public/EmailComponent.h"

#include "base/IniFile.h"

#include <shellapi.h>

#include <algorithm>

namespace {

constexpr char kDefaultSection[] = "DefaultEmailSys";
constexpr char kDefaultKey[] = "Default";

}  // namespace

void EmailComponent::RequireNotEmpty() const {
    if (m_installed.empty()) throw EmailDBEmpty();
}

void EmailComponent::RequireInstalled(const std::string& systemKey) const {
    RequireNotEmpty();
    if (std::find(m_installed.begin(), m_installed.end(), systemKey) == m_installed.end()) {
        throw EmailSysNotAlive(systemKey);
    }
}

void EmailComponent::GetAllAliveEmailSys(std::vector<std::string>& systems) const {
    RequireNotEmpty();
    systems = m_installed;
}

void EmailComponent::SetDefaultEmailSys(const std::string& systemKey) {
    RequireInstalled(systemKey);
    const std::string previous = m_defaultKey;
    m_defaultKey = systemKey;
    // Another writer holding the file past all patience: nothing written,
    // and the old default stays. Other failed writes are not reported: the
    // default in memory stays as chosen.
    const auto written = email32::base::Rewrite(m_installedListPath, [this](email32::base::IniDocument& file) {
        file.Set(kDefaultSection, kDefaultKey, m_defaultKey);
    });
    if (written == email32::base::RewriteResult::Busy) m_defaultKey = previous;
}

void EmailComponent::GetDefaultEmailSys(std::string& systemKey) const {
    RequireNotEmpty();
    systemKey = m_defaultKey;
}

void EmailComponent::GetEmailSysTitle(const std::string& systemKey, std::string& title) const {
    RequireInstalled(systemKey);
    GetEmailSysTitleFromDB(systemKey.c_str(), title);
}

void EmailComponent::GetEmailSysTitleFromDB(const char* systemKey, std::string& title) const {
    title = email32::base::ReadString(m_cataloguePath, systemKey ? systemKey : "", "Title");
}

void EmailComponent::GetEmailSysIcon(HINSTANCE instance, const std::string& systemKey, HICON& icon) const {
    RequireInstalled(systemKey);
    const std::string path = email32::base::ReadString(m_installedListPath, systemKey.c_str(), "Path");
    icon = ::ExtractIconA(instance, path.c_str(), 0);
}
