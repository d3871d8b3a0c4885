#include "base/FolderText.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace email32::base {

bool FileExists(const std::string& path) {
    if (path.empty()) return false;
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool MakeFolderText(char* text, std::size_t bufferSize) {
    if (text == nullptr || bufferSize == 0) return false;
    // A text that fills its buffer without a terminator is cut to fit.
    std::size_t length = ::strnlen(text, bufferSize);
    if (length == bufferSize) {
        length = bufferSize - 1;
        text[length] = '\0';
    }
    if (length == 0) return false;

    while (length > 0 && text[length - 1] == ' ') text[--length] = '\0';
    if (length > 0 && text[length - 1] == '\\') return true;
    if (length + 1 < bufferSize) {
        text[length] = '\\';
        text[length + 1] = '\0';
    } else if (length > 0) {
        text[length - 1] = '\\';
    }
    // With a one-byte buffer there is no room for any character at all.
    return true;
}

bool MakeFolderText(std::string& text, std::size_t bufferSize) {
    if (bufferSize == 0) return false;
    std::vector<char> buffer(bufferSize, '\0');
    std::memcpy(buffer.data(), text.data(), text.size() < bufferSize - 1 ? text.size() : bufferSize - 1);
    const bool made = MakeFolderText(buffer.data(), bufferSize);
    text.assign(buffer.data());
    return made;
}

}  // namespace email32::base
