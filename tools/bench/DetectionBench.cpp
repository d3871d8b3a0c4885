// bench_detection: how long installation detection takes per catalogue entry
// for catalogues of 10, 100 and 1000 entries, against a peer that does the
// least any detection must do per entry (one catalogue read and one file
// test). Uses only what a Wine prefix or a Windows machine already holds, so
// it writes nothing but its own catalogue in a temporary folder.
#include "registry/Detection.h"
#include "registry/IniFile.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// One entry per method, installed or not on a stock machine.
const char* const kEntries[] = {
    "PathType=0\r\nExeName=iexplore.exe\r\n",
    "PathType=0\r\nExeName=e32-absent.exe\r\n",
    "PathType=1\r\nExeName=notepad.exe\r\n",
    "PathType=1\r\nExeName=e32-absent.exe\r\n",
    "PathType=2\r\nExeName=kernel32.dll\r\n",
    "PathType=6\r\nExeName=x.exe\r\nRegKey=E32Absent.Application\r\n",
    "PathType=15\r\nExeName=notepad.exe\r\nRegKey=HKLM\r\nSection=Software\\Microsoft\\Windows NT\\CurrentVersion\r\n"
    "Key=SystemRoot\r\n",
    "PathType=17\r\nExeName=cc.exe\r\n",
    "PathType=18\r\n",
    "PathType=3\r\nSection=E32Absent\r\nKey=Dir\r\nExeName=e32-absent.exe\r\n",
};

std::string WriteCatalogue(const std::string& folder, int entries) {
    std::string text = "[LinkEntry]\r\nCount=" + std::to_string(entries) + "\r\n";
    for (int i = 0; i < entries; ++i) text += std::to_string(i) + "=Sys" + std::to_string(i) + "\r\n";
    for (int i = 0; i < entries; ++i) {
        text += "[Sys" + std::to_string(i) + "]\r\nTitle=System " + std::to_string(i) + "\r\n" +
                kEntries[i % (sizeof kEntries / sizeof kEntries[0])];
    }
    const std::string path = folder + "EmailDB-" + std::to_string(entries) + ".ini";
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(file);
    return path;
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

// The detection pass of the installed-list building: each numbered key of
// "LinkEntry", then that system's detection. Returns the systems found.
int DetectAll(const std::string& catalogue, int entries) {
    int installed = 0;
    for (int i = 0; i < entries; ++i) {
        const std::string key = email32::ini::ReadString(catalogue, "LinkEntry", std::to_string(i).c_str());
        std::string found;
        if (!key.empty() && email32::DetectEmailSystem(key.c_str(), catalogue.c_str(), found)) ++installed;
    }
    return installed;
}

// The peer: one key read and one file test per entry.
int Peer(const std::string& catalogue, int entries) {
    int present = 0;
    for (int i = 0; i < entries; ++i) {
        const std::string key = email32::ini::ReadString(catalogue, "LinkEntry", std::to_string(i).c_str());
        if (::GetFileAttributesA((key + ".exe").c_str()) != INVALID_FILE_ATTRIBUTES) ++present;
    }
    return present;
}

template <typename Pass>
double MicrosecondsPerEntry(Pass pass, const std::string& catalogue, int entries, int& result) {
    // Small catalogues are run repeatedly so that every figure covers about
    // the same amount of work.
    const int rounds = 1000 / entries < 3 ? 3 : 1000 / entries;
    pass(catalogue, entries);  // warm the profile cache
    LARGE_INTEGER from, to;
    ::QueryPerformanceCounter(&from);
    for (int round = 0; round < rounds; ++round) result = pass(catalogue, entries);
    ::QueryPerformanceCounter(&to);
    return Seconds(from, to) * 1e6 / (double(rounds) * entries);
}

}  // namespace

int main() {
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp);
    std::printf("entries  installed  detection us/entry  peer us/entry  ratio\n");
    for (int entries : {10, 100, 1000}) {
        const std::string catalogue = WriteCatalogue(folder, entries);
        int installed = 0, present = 0;
        const double detection = MicrosecondsPerEntry(DetectAll, catalogue, entries, installed);
        const double peer = MicrosecondsPerEntry(Peer, catalogue, entries, present);
        std::printf("%7d  %9d  %18.1f  %13.1f  %5.1f\n", entries, installed, detection, peer, detection / peer);
        ::DeleteFileA(catalogue.c_str());
    }
    return 0;
}
