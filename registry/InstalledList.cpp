#include "registry/InstalledList.h"

#include "public/EmailComponent.h"
#include "registry/Detection.h"
#include "base/FileLock.h"
#include "base/IniFile.h"
#include "registry/MailClient.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>

namespace email32 {

namespace {

// The number a key's name states when it is the exact "%d" text of a 32-bit
// number (no sign but a leading minus, no leading zeros, no blanks), taken
// as unsigned as a loop over unsigned numbers would print it.
std::optional<unsigned int> NumberOfKey(const std::string& name) {
    if (name.empty() || name.size() > 11) return std::nullopt;
    long long value = 0;
    if (std::sscanf(name.c_str(), "%lld", &value) != 1) return std::nullopt;
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    char canonical[16];
    std::snprintf(canonical, sizeof canonical, "%d", static_cast<int>(value));
    // Names match without regard to case; digits have none.
    if (name != canonical) return std::nullopt;
    return static_cast<unsigned int>(static_cast<int>(value));
}

std::vector<unsigned int> SortedUnique(std::vector<unsigned int> numbers) {
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

}  // namespace

std::vector<unsigned int> PresentNumberedKeys(const std::vector<std::string>& keyNames, unsigned int count) {
    std::vector<unsigned int> numbers;
    for (const std::string& name : keyNames) {
        const std::optional<unsigned int> number = NumberOfKey(name);
        if (number && *number < count) numbers.push_back(*number);
    }
    return SortedUnique(std::move(numbers));
}

std::vector<unsigned int> LoadedListKeys(unsigned int count, const std::vector<std::string>& keyNames) {
    std::vector<unsigned int> present;
    for (const std::string& name : keyNames) {
        const std::optional<unsigned int> number = NumberOfKey(name);
        if (number && *number >= 1 && *number <= count) present.push_back(*number);
    }
    present = SortedUnique(std::move(present));

    std::vector<unsigned int> entries;
    std::uint64_t allowance = keyNames.size() + kMissingKeySlack;
    const auto missing = [&](std::uint64_t run) {
        if (run > allowance) return;
        allowance -= run;
        entries.insert(entries.end(), static_cast<std::size_t>(run), 0u);
    };
    std::uint64_t next = 1;
    for (const unsigned int number : present) {
        missing(number - next);
        entries.push_back(number);
        next = std::uint64_t{number} + 1;
    }
    missing(std::uint64_t{count} + 1 - next);
    return entries;
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

    // The found paths, written with the list in one replacement of the file.
    ini::IniDocument::Keys foundPaths;
    if (detect) {
        const unsigned int count = ini::ReadUnsigned(m_cataloguePath, kLinkEntry, "Count");
        clientNameFound = GetDefaultMailClientName(clientName);

        for (unsigned int number : PresentNumberedKeys(ini::KeyNames(m_cataloguePath, kLinkEntry), count)) {
            const std::string systemKey = ini::ReadString(m_cataloguePath, kLinkEntry, KeyText(number).c_str());
            if (systemKey.empty()) continue;
            std::string foundPath;
            const CatalogueEntry entry(systemKey, m_cataloguePath);
            if (!DetectEmailSystem(entry, foundPath)) continue;
            if (!CheckMailClientRegistration(entry, clientName)) continue;
            std::string title;
            GetEmailSysTitleFromDB(systemKey.c_str(), title);
            if (title.find(clientName) != std::string::npos) preferred = systemKey;
            m_installed.push_back(systemKey);
            foundPaths.emplace_back(systemKey, foundPath);
        }
    }

    // From writing or reading the list to writing the default, other objects
    // and processes wait: each sees, and leaves, one whole version.
    const FileLock lock(m_installedListPath);
    if (!m_installedListPath.empty() && !lock.Held()) {
        // Another writer holds the file past all patience: nothing is
        // written, and the operation fails as it would without the file.
        m_installed.clear();
        m_defaultKey.clear();
        if (!detect) throw AliveDBNotExist();
        return 0;
    }
    if (detect) {
        // Other failed writes are not reported; the list in memory stays as
        // found.
        (void)ini::Rewrite(m_installedListPath, [this, &foundPaths](ini::IniDocument& file) {
            for (const auto& [systemKey, path] : foundPaths) file.Set(systemKey, "Path", path);
            ini::IniDocument::Keys list{{"Count", KeyText(static_cast<unsigned int>(m_installed.size()))}};
            for (std::size_t k = 0; k < m_installed.size(); ++k) {
                list.emplace_back(KeyText(static_cast<unsigned int>(k + 1)), m_installed[k]);
            }
            file.ReplaceSection(kAliveSection, list);
        });
    } else {
        const unsigned int count = ini::ReadUnsigned(m_installedListPath, kAliveSection, "Count");
        if (count == 0) throw AliveDBNotExist();
        for (const unsigned int key : LoadedListKeys(count, ini::KeyNames(m_installedListPath, kAliveSection))) {
            m_installed.push_back(key == 0 ? std::string()
                                           : ini::ReadString(m_installedListPath, kAliveSection, KeyText(key).c_str()));
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
    } catch (const EmailDBEmpty&) {}
    return static_cast<int>(m_installed.size());
}
