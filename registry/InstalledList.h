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

// How many entries a stored installed list of "Count" count loads: count
// itself while it stays within kMissingKeySlack of the keys the section
// holds; otherwise the number of the last numbered key within that reach.
inline constexpr std::size_t kMissingKeySlack = 64;
[[nodiscard]] unsigned int LoadedListLength(unsigned int count, const std::vector<std::string>& keyNames);

}  // namespace email32
