// Machine settings a test changes in the throwaway prefix and puts back when
// it ends: registry keys and values, WIN.INI entries, files in system folders.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace email32::test {

// A registry value set for the test's duration. Keys it had to create are
// removed again; a value that existed before gets its old type and data back.
class ScratchRegistryValue {
public:
    ScratchRegistryValue(HKEY root, const std::string& subKey, const std::string& valueName, DWORD type,
                         const std::string& data);
    // Removes the value (restored afterwards) instead of setting it.
    static ScratchRegistryValue Absent(HKEY root, const std::string& subKey, const std::string& valueName);
    // A text value in the 64-bit registry view (a 32-bit process under WOW64).
    static ScratchRegistryValue In64BitView(HKEY root, const std::string& subKey, const std::string& valueName,
                                            const std::string& text);
    ScratchRegistryValue(ScratchRegistryValue&& other) noexcept;
    ScratchRegistryValue(const ScratchRegistryValue&) = delete;
    ScratchRegistryValue& operator=(const ScratchRegistryValue&) = delete;
    ~ScratchRegistryValue();

private:
    ScratchRegistryValue(HKEY root, std::string subKey, std::string valueName, REGSAM view = 0);
    void Save();
    void Set(DWORD type, const std::string& data);

    HKEY m_root;
    std::string m_subKey;
    std::string m_valueName;
    std::string m_createdTop;  // topmost key this object created, if any
    std::optional<std::pair<DWORD, std::string>> m_saved;
    bool m_active = true;
    REGSAM m_view = 0;
};

// A text REG_SZ value, the most common case.
inline ScratchRegistryValue ScratchText(HKEY root, const std::string& subKey, const std::string& valueName,
                                        const std::string& text) {
    return ScratchRegistryValue(root, subKey, valueName, REG_SZ, text + std::string(1, '\0'));
}

// A WIN.INI entry set (or, with nullopt, removed) for the test's duration.
class ScratchWinIniEntry {
public:
    ScratchWinIniEntry(const std::string& section, const std::string& key, const std::optional<std::string>& value);
    ScratchWinIniEntry(const ScratchWinIniEntry&) = delete;
    ScratchWinIniEntry& operator=(const ScratchWinIniEntry&) = delete;
    ~ScratchWinIniEntry();

private:
    std::string m_section;
    std::string m_key;
    std::optional<std::string> m_saved;
};

// A file made in a folder such as the Windows folder and deleted afterwards.
class ScratchFile {
public:
    ScratchFile(const std::string& path, const std::string& bytes = "x");
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    ~ScratchFile();
    [[nodiscard]] const std::string& path() const noexcept { return m_path; }

private:
    std::string m_path;
};

std::string WindowsFolder();  // without trailing backslash
std::string SystemFolder();   // without trailing backslash

// The App Paths key of a program file name.
std::string AppPathsKey(const std::string& exeName);

// Sets the current folder for the test's duration.
class ScratchCurrentFolder {
public:
    explicit ScratchCurrentFolder(const std::string& folder);
    ScratchCurrentFolder(const ScratchCurrentFolder&) = delete;
    ScratchCurrentFolder& operator=(const ScratchCurrentFolder&) = delete;
    ~ScratchCurrentFolder();

private:
    std::string m_saved;
};

}  // namespace email32::test
