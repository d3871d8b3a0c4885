// The version resource of a file.
#pragma once

#include <string>

namespace email32::base {

// True when the major product version in the file's version resource (high
// word of dwProductVersionMS) equals number exactly. A file without a
// readable version resource counts as version 0.
[[nodiscard]] bool MajorProductVersionEquals(const std::string& path, int number);

}  // namespace email32::base
