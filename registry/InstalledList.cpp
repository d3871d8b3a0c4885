#include "registry/InstalledList.h"

#include "registry/Detection.h"
#include "base/IniFile.h"
#include "registry/MailClient.h"
#include "public/EmailExceptions.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>

namespace email32::registry {

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

DetectedSystems DetectInstalled(const std::string& cataloguePath) {
    DetectedSystems found;
    std::string clientName;
    const bool clientNameFound = GetDefaultMailClientName(clientName);
    const unsigned int count = base::ReadUnsigned(cataloguePath, kLinkEntry, "Count");
    for (unsigned int number : PresentNumberedKeys(base::KeyNames(cataloguePath, kLinkEntry), count)) {
        const std::string systemKey = base::ReadString(cataloguePath, kLinkEntry, KeyText(number).c_str());
        if (systemKey.empty()) continue;
        std::string foundPath;
        const base::CatalogueEntry entry(systemKey, cataloguePath);
        if (!DetectEmailSystem(entry, foundPath)) continue;
        if (!CheckMailClientRegistration(entry, clientName)) continue;
        const std::string title = base::ReadString(cataloguePath, systemKey.c_str(), "Title");
        if (clientNameFound && title.find(clientName) != std::string::npos) found.preferred = systemKey;
        found.installed.push_back(systemKey);
        found.paths.emplace_back(systemKey, foundPath);
    }
    return found;
}

void StoreInstalled(const std::string& installedListPath, const DetectedSystems& found) {
    // Other failed writes are not reported; the list in memory stays as
    // found.
    (void)base::Rewrite(installedListPath, [&found](base::IniDocument& file) {
        for (const auto& [systemKey, path] : found.paths) file.Set(systemKey, "Path", path);
        base::IniDocument::Keys list{{"Count", KeyText(static_cast<unsigned int>(found.installed.size()))}};
        for (std::size_t k = 0; k < found.installed.size(); ++k) {
            list.emplace_back(KeyText(static_cast<unsigned int>(k + 1)), found.installed[k]);
        }
        file.ReplaceSection(kAliveSection, list);
    });
}

std::vector<std::string> LoadInstalled(const std::string& installedListPath) {
    const unsigned int count = base::ReadUnsigned(installedListPath, kAliveSection, "Count");
    if (count == 0) throw AliveDBNotExist();
    std::vector<std::string> installed;
    for (const unsigned int key : LoadedListKeys(count, base::KeyNames(installedListPath, kAliveSection))) {
        installed.push_back(key == 0 ? std::string()
                                     : base::ReadString(installedListPath, kAliveSection, KeyText(key).c_str()));
    }
    return installed;
}

std::string StoredDefault(const std::string& installedListPath) {
    return base::ReadString(installedListPath, kDefaultSection, "Default");
}

std::optional<std::string> ChooseDefault(const std::string& stored, const std::vector<std::string>& installed,
                                         const std::string& preferred) {
    if (installed.empty()) return std::nullopt;
    if (!stored.empty()) {
        if (std::find(installed.begin(), installed.end(), stored) != installed.end()) return stored;
        return installed.front();
    }
    if (!preferred.empty()) return preferred;
    return installed.front();
}

}  // namespace email32::registry
