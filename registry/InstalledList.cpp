#include "registry/InstalledList.h"

#include "public/EmailComponent.h"
#include "registry/Detection.h"
#include "registry/IniFile.h"
#include "registry/MailClient.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace email32 {

std::vector<unsigned int> PresentNumberedKeys(const std::vector<std::string>& keyNames, unsigned int count) {
    std::vector<unsigned int> numbers;
    for (const std::string& name : keyNames) {
        // Only the exact "%d" text of a 32-bit number names a numbered key:
        // no sign but a leading minus, no leading zeros, no blanks.
        if (name.empty() || name.size() > 11) continue;
        long long value = 0;
        if (std::sscanf(name.c_str(), "%lld", &value) != 1) continue;
        if (value < INT32_MIN || value > INT32_MAX) continue;
        char canonical[16];
        std::snprintf(canonical, sizeof canonical, "%d", static_cast<int>(value));
        // Names match without regard to case; digits have none.
        if (name != canonical) continue;
        const auto number = static_cast<unsigned int>(static_cast<int>(value));
        if (number < count) numbers.push_back(number);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

unsigned int LoadedListLength(unsigned int count, const std::vector<std::string>& keyNames) {
    // A list written by detection has one key per entry; a hand-edited one
    // may miss a few, which then load as empty entries. A count beyond that
    // is not trusted: the list then ends at its last numbered key within
    // reach, so neither the work nor the list follows the count.
    const std::size_t limit = keyNames.size() + kMissingKeySlack;
    if (count <= limit) return count;
    const std::vector<unsigned int> present = PresentNumberedKeys(keyNames, static_cast<unsigned int>(limit) + 1);
    return present.empty() ? 0u : present.back();
}

}  // namespace email32

namespace {

constexpr char kLinkEntry[] = "LinkEntry";
constexpr char kAliveSection[] = "AliveEmailSys";
constexpr char kDefaultSection[] = "DefaultEmailSys";

std::string KeyText(unsigned int number) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(number));
    return text;
}

}  // namespace

int EmailComponent::InitEmailSysDB(bool detect) {
    using namespace email32;
    m_installed.clear();

    std::string clientName;
    bool clientNameFound = false;
    std::string preferred;

    if (detect) {
        const unsigned int count = ini::ReadUnsigned(m_cataloguePath, kLinkEntry, "Count");
        clientNameFound = GetDefaultMailClientName(clientName);

        for (unsigned int number : PresentNumberedKeys(ini::KeyNames(m_cataloguePath, kLinkEntry), count)) {
            const std::string systemKey = ini::ReadString(m_cataloguePath, kLinkEntry, KeyText(number).c_str());
            if (systemKey.empty()) continue;
            std::string foundPath;
            if (!DetectEmailSystem(systemKey.c_str(), m_cataloguePath.c_str(), foundPath)) continue;
            if (!CheckMailClientRegistration(systemKey.c_str(), clientName, m_cataloguePath.c_str())) continue;
            std::string title;
            GetEmailSysTitleFromDB(systemKey.c_str(), title);
            if (title.find(clientName) != std::string::npos) preferred = systemKey;
            m_installed.push_back(systemKey);
            ini::WriteString(m_installedListPath, systemKey.c_str(), "Path", foundPath.c_str());
        }

        ini::DeleteSection(m_installedListPath, kAliveSection);
        ini::WriteString(m_installedListPath, kAliveSection, "Count", KeyText(m_installed.size()).c_str());
        for (std::size_t k = 0; k < m_installed.size(); ++k) {
            ini::WriteString(m_installedListPath, kAliveSection, KeyText(k + 1).c_str(), m_installed[k].c_str());
        }
    } else {
        const unsigned int count = ini::ReadUnsigned(m_installedListPath, kAliveSection, "Count");
        if (count == 0) throw AliveDBNotExist();
        const unsigned int length =
            LoadedListLength(count, ini::KeyNames(m_installedListPath, kAliveSection));
        m_installed.resize(length);
        for (unsigned int k = 1; k <= length; ++k) {
            m_installed[k - 1] = ini::ReadString(m_installedListPath, kAliveSection, KeyText(k).c_str());
        }
    }

    const std::string storedDefault = ini::ReadString(m_installedListPath, kDefaultSection, "Default");
    try {
        if (!storedDefault.empty()) {
            try {
                SetDefaultEmailSys(storedDefault);
            } catch (const EmailSysNotAlive&) {
                if (!m_installed.empty()) SetDefaultEmailSys(m_installed.front());
            }
        } else if (!m_installed.empty()) {
            if (detect && clientNameFound && !preferred.empty()) {
                SetDefaultEmailSys(preferred);
            } else {
                SetDefaultEmailSys(m_installed.front());
            }
        }
    } catch (const EmailDBEmpty&) {
    }
    return static_cast<int>(m_installed.size());
}
