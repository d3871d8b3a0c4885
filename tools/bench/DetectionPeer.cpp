// detection_peer: the least any detection must do, as a whole process, for
// scripts/bench-detection to time `email32 detect` against: for each entry of
// the catalogue beside it, one read of its key and one file test, then the
// keys found written in one go. Prints how many it found.
#include <windows.h>

#include <cstdio>
#include <string>

int main() {
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string folder(self);
    folder.erase(folder.find_last_of('\\') + 1);
    const std::string catalogue = folder + "EmailDB.ini";

    const UINT count = ::GetPrivateProfileIntA("LinkEntry", "Count", 0, catalogue.c_str());
    std::string found;
    UINT present = 0;
    for (UINT i = 0; i < count; ++i) {
        char key[MAX_PATH] = {};
        ::GetPrivateProfileStringA("LinkEntry", std::to_string(i).c_str(), "", key, MAX_PATH, catalogue.c_str());
        if (key[0] != '\0' && ::GetFileAttributesA((folder + key + ".exe").c_str()) != INVALID_FILE_ATTRIBUTES) {
            found += std::to_string(++present) + "=" + key + "\r\n";
        }
    }
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string list = "[AliveEmailSys]\r\nCount=" + std::to_string(present) + "\r\n" + found;
    HANDLE file = ::CreateFileA((std::string(temp) + "detection-peer.ini").c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    if (file != INVALID_HANDLE_VALUE) {
        ::WriteFile(file, list.data(), static_cast<DWORD>(list.size()), &written, nullptr);
        ::CloseHandle(file);
    }
    std::printf("%u\n", present);
    return 0;
}
