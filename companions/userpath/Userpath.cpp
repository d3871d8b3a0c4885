// "Userpath.dll": tells the module where its per-user files live.
#include <windows.h>
#include <shlobj.h>

#include <cstring>

namespace {

constexpr char kFolderName[] = "Email32";
constexpr size_t kBufferSize = MAX_PATH;  // the entry's contract: 260 bytes

}  // namespace

// Fills buffer (260 bytes) with the per-user application-data folder of the
// module, ending in a backslash, and creates the folder when it is missing.
// Returns 1 on success; on failure the buffer holds the empty text and 0 is
// returned. The text never exceeds the buffer.
extern "C" int __cdecl GetAppDataPath(char* buffer) {
    if (buffer == nullptr) return 0;
    buffer[0] = '\0';

    char roaming[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, roaming))) {
        return 0;
    }
    size_t length = std::strlen(roaming);
    if (length > 0 && roaming[length - 1] == '\\') roaming[--length] = '\0';

    // folder + '\' + name + '\' + zero must fit.
    if (length + 1 + sizeof kFolderName + 1 > kBufferSize) return 0;
    char folder[kBufferSize] = {};
    std::memcpy(folder, roaming, length);
    folder[length] = '\\';
    std::memcpy(folder + length + 1, kFolderName, sizeof kFolderName);
    if (!::CreateDirectoryA(folder, nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
        return 0;
    }
    const size_t folderLength = std::strlen(folder);
    folder[folderLength] = '\\';
    folder[folderLength + 1] = '\0';
    std::memcpy(buffer, folder, folderLength + 2);
    return 1;
}
