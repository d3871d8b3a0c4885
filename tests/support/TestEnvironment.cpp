#include "tests/support/TestEnvironment.h"

#include "tests/support/ObjectCounts.h"

#include "base/Win32Handles.h"

#include <gtest/gtest.h>
#include <psapi.h>

#include <fstream>
#include <sstream>
#include <thread>

namespace email32::test {

std::string BinFolder() {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string text(path);
    return text.substr(0, text.find_last_of('\\') + 1);
}

std::string DoublesFolder() { return BinFolder() + "doubles\\"; }

TempFolder::TempFolder(const std::string& hint) {
    char base[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, base);
    static unsigned counter = 0;
    for (;;) {
        const std::string candidate = std::string(base) + "e32-" + hint + "-" +
                                      std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++counter);
        if (::CreateDirectoryA(candidate.c_str(), nullptr)) {
            m_path = candidate + "\\";
            return;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS) {
            ADD_FAILURE() << "cannot create " << candidate;
            m_path = std::string(base);
            return;
        }
    }
}

TempFolder::~TempFolder() { RemoveTree(m_path); }

void RemoveTree(const std::string& path) {
    std::string folder = path;
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string child = folder + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                ::SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileA(child.c_str());
            }
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
    }
    ::RemoveDirectoryA(folder.c_str());
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << "cannot write " << path;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool FileExists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void CopyFileOrFail(const std::string& from, const std::string& to) {
    ASSERT_TRUE(::CopyFileA(from.c_str(), to.c_str(), FALSE)) << "cannot copy " << from << " to " << to;
}

std::string AppDataFolder() {
    char path[MAX_PATH] = {};
    ::GetEnvironmentVariableA("APPDATA", path, MAX_PATH);
    return std::string(path) + "\\Email32\\";
}

namespace {

// MinGW's unwinder, which the module's C++ runtime needs beside it: DWARF-2
// frames on i686, SEH on x86_64.
#ifdef _WIN64
constexpr const char* kUnwinderDll = "libgcc_s_seh-1.dll";
#else
constexpr const char* kUnwinderDll = "libgcc_s_dw2-1.dll";
#endif

std::string Drain(HANDLE pipe) {
    std::string text;
    char chunk[4096];
    DWORD got = 0;
    while (::ReadFile(pipe, chunk, sizeof chunk, &got, nullptr) && got > 0) text.append(chunk, got);
    return text;
}

}  // namespace

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

ProcessResult RunProcess(const std::string& commandLine, const std::string& currentFolder) {
    ProcessResult result;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
    ::CreatePipe(&outRead, &outWrite, &inherit, 0);
    ::CreatePipe(&errRead, &errWrite, &inherit, 0);
    base::AutoCloseHandle outReadOwner(outRead), outWriteOwner(outWrite), errReadOwner(errRead),
        errWriteOwner(errWrite);
    ::SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION process = {};
    std::string writable = commandLine;
    if (!::CreateProcessA(nullptr, writable.data(), nullptr, nullptr, TRUE, 0, nullptr,
                          currentFolder.empty() ? nullptr : currentFolder.c_str(), &startup, &process)) {
        ADD_FAILURE() << "cannot start " << commandLine << " (error " << ::GetLastError() << ")";
        result.exitCode = 0xFFFFFFFF;
        return result;
    }
    base::AutoCloseHandle processOwner(process.hProcess), threadOwner(process.hThread);
    outWriteOwner.reset();
    errWriteOwner.reset();
    std::string errors;
    std::thread errorReader([&] { errors = Drain(errRead); });
    result.output = Drain(outRead);
    errorReader.join();
    result.errors = errors;
    ::WaitForSingleObject(process.hProcess, INFINITE);
    ::GetExitCodeProcess(process.hProcess, &result.exitCode);
    return result;
}

DWORD ProcessHandleCount() {
    DWORD count = 0;
    ::GetProcessHandleCount(::GetCurrentProcess(), &count);
    // Wine answers 0; a process always holds some handles.
    if (count == 0) count = HandleCountFromSystemList().value_or(0);
    return count;
}

DWORD ProcessGdiObjectCount() {
    const DWORD count = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    return count != 0 ? count : GdiObjectCountFromTable(0).value_or(0);
}

DWORD ProcessGdiObjectCount(DWORD objectType) {
    return GdiObjectCountFromTable(objectType).value_or(ProcessGdiObjectCount());
}

Deployment::Deployment(Userpath userpath, const std::string& host)
    : m_folder("deploy"), m_elsewhere("cwd"), m_host(host) {
    const std::string bin = BinFolder();
    for (const char* file : {"Email32.dll", "libstdc++-6.dll", kUnwinderDll, "libwinpthread-1.dll"}) {
        CopyFileOrFail(bin + file, m_folder / file);
    }
    const std::string hostSource = FileExists(bin + host) ? bin + host : DoublesFolder() + host;
    CopyFileOrFail(hostSource, m_folder / host);
    switch (userpath) {
    case Userpath::Real: CopyFileOrFail(bin + "Userpath.dll", m_folder / "Userpath.dll"); break;
    case Userpath::Absent: break;
    case Userpath::NoTrailingBackslash:
        CopyFileOrFail(DoublesFolder() + "UserpathNoSlash.dll", m_folder / "Userpath.dll");
        break;
    case Userpath::NoEntry: CopyFileOrFail(DoublesFolder() + "UserpathNoEntry.dll", m_folder / "Userpath.dll"); break;
    case Userpath::RelativeFolder:
        CopyFileOrFail(DoublesFolder() + "UserpathRelative.dll", m_folder / "Userpath.dll");
        break;
    }
}

void Deployment::WriteCatalogue(const std::string& text) const { WriteFile(cataloguePath(), text); }

void Deployment::Add(const std::string& buildFile, const std::string& nameInDeployment) const {
    const std::string source =
        FileExists(BinFolder() + buildFile) ? BinFolder() + buildFile : DoublesFolder() + buildFile;
    CopyFileOrFail(source, m_folder / nameInDeployment);
}

ProcessResult Deployment::Run(const std::string& arguments, const std::string& currentFolder) const {
    return RunProcess("\"" + (m_folder / m_host) + "\" " + arguments,
                      currentFolder.empty() ? m_elsewhere.path() : currentFolder);
}

}  // namespace email32::test
