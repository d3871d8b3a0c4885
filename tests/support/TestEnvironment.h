// What the tests share: where the build's programs lie, throwaway folders,
// files and processes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace email32::test {

// The folder of the running test program (the build's bin folder), with a
// trailing backslash. Doubles lie in its "doubles\" subfolder.
std::string BinFolder();
std::string DoublesFolder();

// A new empty folder under the temporary folder, removed with its content
// when the object goes.
class TempFolder {
public:
    explicit TempFolder(const std::string& hint = "t");
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();
    // With a trailing backslash.
    [[nodiscard]] const std::string& path() const noexcept { return m_path; }
    [[nodiscard]] std::string operator/(const std::string& name) const { return m_path + name; }

private:
    std::string m_path;
};

void RemoveTree(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
[[nodiscard]] std::string ReadFile(const std::string& path);
[[nodiscard]] bool FileExists(const std::string& path);
void CopyFileOrFail(const std::string& from, const std::string& to);

// The module's per-user folder as the real Userpath.dll gives it.
std::string AppDataFolder();

struct ProcessResult {
    DWORD exitCode = 0;
    std::string output;  // standard output
    std::string errors;  // standard error
};

// The lines of a program's output, without their line ends.
std::vector<std::string> SplitLines(const std::string& text);

// Runs a command line to its end in a folder and collects both outputs.
ProcessResult RunProcess(const std::string& commandLine, const std::string& currentFolder);

// Handles and GDI objects the test process holds now (stock objects aside).
DWORD ProcessHandleCount();
DWORD ProcessGdiObjectCount();
// GDI objects of one GetObjectType kind (OBJ_PAL, OBJ_BITMAP, ...); where
// the kinds cannot be told apart, all of them.
DWORD ProcessGdiObjectCount(DWORD objectType);

// A host deployed as a product ships: the host program, Email32.dll, the
// runtime, a catalogue and, unless told otherwise, the real Userpath.dll.
class Deployment {
public:
    enum class Userpath { Real, Absent, NoTrailingBackslash, NoEntry, RelativeFolder };

    explicit Deployment(Userpath userpath = Userpath::Real, const std::string& host = "email32.exe");
    [[nodiscard]] const std::string& folder() const noexcept { return m_folder.path(); }
    [[nodiscard]] std::string cataloguePath() const { return m_folder / "EmailDB.ini"; }
    void WriteCatalogue(const std::string& text) const;
    // Copies a file of the build (bin or doubles) into the deployment.
    void Add(const std::string& buildFile, const std::string& nameInDeployment) const;
    // Runs the host with arguments; the current folder is another empty one
    // (elsewhere()) unless given.
    ProcessResult Run(const std::string& arguments, const std::string& currentFolder = "") const;
    [[nodiscard]] const std::string& elsewhere() const noexcept { return m_elsewhere.path(); }

private:
    TempFolder m_folder;
    TempFolder m_elsewhere;
    std::string m_host;
};

}  // namespace email32::test
