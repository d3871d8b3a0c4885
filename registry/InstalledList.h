// Helpers of the installed-list building that the tests reach directly.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace email32 {

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

}  // namespace email32
