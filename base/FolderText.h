// Small path helpers of installation detection.
#pragma once

#include <cstddef>
#include <string>

namespace email32::base {

// True when the path names an existing file or folder; a relative path is
// resolved against the current folder.
[[nodiscard]] bool FileExists(const std::string& path);

// Turns a folder text in place into one that ends in a backslash: trailing
// blanks are removed, then a backslash is appended or, when the buffer has no
// room for it, put in place of the last character. False (text untouched)
// for an empty text. Never writes past bufferSize bytes.
[[nodiscard]] bool MakeFolderText(char* text, std::size_t bufferSize);

// The same on a text that must fit a buffer of bufferSize bytes: a longer
// text is first cut to bufferSize - 1 characters.
[[nodiscard]] bool MakeFolderText(std::string& text, std::size_t bufferSize);

}  // namespace email32::base
