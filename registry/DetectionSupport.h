// What the detection methods share: the one test every candidate path
// passes before it becomes the found path.
#pragma once

#include "base/FolderText.h"
#include "base/IniFile.h"

#include <string>

namespace email32::registry {

// A candidate that no 260-byte path buffer could hold is refused rather than
// cut, so that a cut path never names some other, existing file.
[[nodiscard]] inline bool AcceptCandidate(const std::string& candidate, std::string& foundPath) {
    if (candidate.size() >= base::kValueBuffer || !base::FileExists(candidate)) return false;
    foundPath = candidate;
    return true;
}

}  // namespace email32::registry
