#include "dispatch/CommandLineLink.h"

#include "dispatch/AliveDbPath.h"
#include "framework/Win32Handles.h"
#include "registry/HostPaths.h"
#include "registry/IniFile.h"

#include <windows.h>

#include <cstdlib>

namespace email32 {
namespace {

// "CommandOption" is read into 255 bytes.
constexpr std::size_t kOptionBuffer = 255;

std::string ShortPathOf(const std::string& path) {
    char shortPath[MAX_PATH] = {};
    const DWORD length = ::GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(shortPath) : path;
}

// Name and extension of a path, and its drive and folder.
void SplitFile(const std::string& path, std::string& folder, std::string& name) {
    char drive[_MAX_DRIVE] = {}, dir[_MAX_DIR] = {}, fname[_MAX_FNAME] = {}, ext[_MAX_EXT] = {};
    if (_splitpath_s(path.c_str(), drive, sizeof drive, dir, sizeof dir, fname, sizeof fname, ext, sizeof ext) != 0) {
        folder.clear();
        name = path;
        return;
    }
    folder = std::string(drive) + dir;
    name = std::string(fname) + ext;
}

// Starts the command in the given folder and puts the current folder back,
// whatever happens on the way.
void RunCommandIn(const std::string& commandLine, const std::string& folder) {
    char saved[MAX_PATH] = {};
    const DWORD length = ::GetCurrentDirectoryA(MAX_PATH, saved);
    const bool restorable = length > 0 && length < MAX_PATH;
    const auto restore = MakeScopeExit([&] {
        if (restorable) ::SetCurrentDirectoryA(saved);
    });
    ::SetCurrentDirectoryA(folder.c_str());
    RunCommand(commandLine);
}

}  // namespace

bool RunCommand(const std::string& commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    ::GetStartupInfoA(&startup);
    PROCESS_INFORMATION process = {};
    std::string writable = commandLine;
    if (!::CreateProcessA(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process)) {
        return false;
    }
    // Nothing waits for the mail program; its handles are not kept.
    AutoCloseHandle processHandle(process.hProcess);
    AutoCloseHandle threadHandle(process.hThread);
    return true;
}

bool WriteAttachList(const FileList& files, const std::string& listPath) {
    AutoCloseHandle file(::CreateFileA(listPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    std::string text;
    for (const std::string& path : files) text += path + "\r\n";
    DWORD written = 0;
    return ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

bool SendByCommandLine(const char* systemKey, const char* cataloguePath, const FileList& files) {
    const bool multiplePage = ini::ReadInt(cataloguePath, systemKey, "MultiplePage") != 0;
    const std::string command = ini::ReadString(ModuleAliveDbPath(), systemKey, "Path") + " ";
    if (files.empty()) return false;

    if (files.size() == 1 || !multiplePage) {
        const std::string option = ini::ReadString(cataloguePath, systemKey, "CommandOption", kOptionBuffer);
        if (option.empty()) return false;
        RunCommand(command + option + files.front());
        return true;
    }

    const int fileList = ini::ReadInt(cataloguePath, systemKey, "CommandFileList");
    const std::string option = ini::ReadString(cataloguePath, systemKey, "CommandOption", kOptionBuffer);
    if (option.empty()) return false;
    const std::string base = command + option;
    switch (fileList) {
    case 0:
    case 3:
        for (const std::string& file : files) RunCommand(base + " " + file);
        break;
    case 1: {
        const std::string listPath = DriveAndFolder(cataloguePath) + "Attach.lst";
        if (!WriteAttachList(files, listPath)) return false;
        RunCommand(base + ShortPathOf(listPath));
        break;
    }
    case 2: {
        std::string commandLine = base;
        std::string workingFolder;
        for (const std::string& file : files) {
            std::string name;
            SplitFile(file, workingFolder, name);
            commandLine += " " + name;
        }
        RunCommandIn(commandLine, workingFolder);
        break;
    }
    default:
        break;
    }
    return true;
}

}  // namespace email32
