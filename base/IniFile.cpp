#include "base/IniFile.h"

#include <windows.h>

#include <vector>

// An empty file name would make the profile services fall back to WIN.INI in
// the Windows folder; without a file there is nothing to read or write.
namespace email32::base {

std::string ReadString(const std::string& file, const char* section, const char* key, std::size_t bufferSize) {
    if (file.empty() || bufferSize == 0) return std::string();
    std::vector<char> buffer(bufferSize, '\0');
    const DWORD length =
        ::GetPrivateProfileStringA(section, key, "", buffer.data(), static_cast<DWORD>(buffer.size()), file.c_str());
    return std::string(buffer.data(), length < buffer.size() ? length : buffer.size() - 1);
}

unsigned int ReadUnsigned(const std::string& file, const char* section, const char* key) {
    if (file.empty()) return 0;
    return ::GetPrivateProfileIntA(section, key, 0, file.c_str());
}

int ReadInt(const std::string& file, const char* section, const char* key) {
    return static_cast<int>(ReadUnsigned(file, section, key));
}

std::vector<std::string> KeyNames(const std::string& file, const char* section) {
    if (file.empty()) return {};
    // The service fills the buffer with zero-separated names ended by two
    // zeros, and reports size - 2 when the names did not fit.
    std::vector<char> buffer(4096);
    for (;;) {
        const DWORD length = ::GetPrivateProfileStringA(section, nullptr, "", buffer.data(),
                                                        static_cast<DWORD>(buffer.size()), file.c_str());
        if (length + 2 < buffer.size() || buffer.size() >= (1u << 26)) {
            std::vector<std::string> names;
            for (size_t at = 0; at < length && buffer[at] != '\0';) {
                names.emplace_back(&buffer[at]);
                at += names.back().size() + 1;
            }
            return names;
        }
        buffer.assign(buffer.size() * 4, '\0');
    }
}

}  // namespace email32::base
