// The installed list: detected from the catalogue, or loaded as stored, and
// its default chosen. EmailComponent::InitEmailSysDB runs these in order.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace email32::registry {

// The numbered keys "0", "1", ... below count of a section, in numeric order,
// as a loop over every number below count would meet them, but bounded by the
// keys the file really holds. A key counts when its name is the decimal text
// ("%d") of a number i with i < count, both taken as unsigned 32-bit numbers.
[[nodiscard]] std::vector<unsigned int> PresentNumberedKeys(const std::vector<std::string>& keyNames,
                                                            unsigned int count);

// The entries a stored installed list of "Count" count loads, in order: the
// number of the key each entry reads, 0 for an empty entry. Keys 1 to count
// that are present load in their places, missing ones as empty entries. A
// hand-edited list may miss a few keys; a run of missing keys is kept while
// all the runs kept stay within kMissingKeySlack more than the keys the
// section holds, and a longer run (an absurd count) is closed up. So a sane
// count loads exactly as it says, and no key present is ever dropped, while
// neither the work nor the list follows an absurd count.
inline constexpr std::size_t kMissingKeySlack = 64;
[[nodiscard]] std::vector<unsigned int> LoadedListKeys(unsigned int count, const std::vector<std::string>& keyNames);

// What detection found: the installed systems in catalogue order, the
// program path each was found at, and the last one whose title names the
// machine's default mail client (empty when Windows names none).
struct DetectedSystems {
    std::vector<std::string> installed;
    std::vector<std::pair<std::string, std::string>> paths;
    std::string preferred;
};

// Detects every system of the catalogue's "LinkEntry" list. Never throws
// for a system that cannot be detected: it is left out.
[[nodiscard]] DetectedSystems DetectInstalled(const std::string& cataloguePath);

// Writes the found paths and the list in one replacement of the installed
// list; a failed write is not reported.
void StoreInstalled(const std::string& installedListPath, const DetectedSystems& found);

// The stored list, keys missing from it as empty entries; AliveDBNotExist
// when its count is 0 or missing.
[[nodiscard]] std::vector<std::string> LoadInstalled(const std::string& installedListPath);

// The default the installed list stores; empty when none.
[[nodiscard]] std::string StoredDefault(const std::string& installedListPath);

// The default among the installed systems: the stored one while it is
// installed, else the first; with none stored, the preferred one (detection's
// match of the default mail client), else the first. None when nothing is
// installed.
[[nodiscard]] std::optional<std::string> ChooseDefault(const std::string& stored,
                                                       const std::vector<std::string>& installed,
                                                       const std::string& preferred);

}  // namespace email32::registry
