// What the detection methods share: the required catalogue keys and the one
// test every candidate path passes before it becomes the found path.
#pragma once

#include "base/FolderText.h"
#include "base/IniFile.h"

#include <string>

namespace email32::detection {

// A key that a method requires; false when it is missing or empty.
[[nodiscard]] inline bool ReadRequired(const char* cataloguePath, const char* systemKey, const char* key,
                                       std::string& value, std::size_t bufferSize = ini::kValueBuffer) {
    value = ini::ReadString(cataloguePath, systemKey, key, bufferSize);
    return !value.empty();
}

// A candidate that no 260-byte path buffer could hold is refused rather than
// cut, so that a cut path never names some other, existing file.
[[nodiscard]] inline bool AcceptCandidate(const std::string& candidate, std::string& foundPath) {
    if (candidate.size() >= ini::kValueBuffer || !FileExists(candidate)) return false;
    foundPath = candidate;
    return true;
}

}  // namespace email32::detection
