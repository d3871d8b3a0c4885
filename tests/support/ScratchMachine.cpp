#include "tests/support/ScratchMachine.h"

#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <vector>

namespace email32::test {

ScratchRegistryValue::ScratchRegistryValue(HKEY root, std::string subKey, std::string valueName, REGSAM view)
    : m_root(root), m_subKey(std::move(subKey)), m_valueName(std::move(valueName)), m_view(view) {}

void ScratchRegistryValue::Save() {
    // Find the topmost missing key of the path, so that exactly what this
    // object creates is removed again.
    std::string prefix;
    size_t at = 0;
    while (at != std::string::npos) {
        const size_t next = m_subKey.find('\\', at);
        prefix = m_subKey.substr(0, next);
        HKEY probe = nullptr;
        if (::RegOpenKeyExA(m_root, prefix.c_str(), 0, KEY_READ | m_view, &probe) != ERROR_SUCCESS) {
            m_createdTop = prefix;
            return;
        }
        if (next == std::string::npos) {
            DWORD type = 0, size = 0;
            if (::RegQueryValueExA(probe, m_valueName.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
                std::string data(size, '\0');
                ::RegQueryValueExA(probe, m_valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                                   &size);
                m_saved = std::make_pair(type, data);
            }
        }
        ::RegCloseKey(probe);
        at = next == std::string::npos ? next : next + 1;
    }
}

ScratchRegistryValue::ScratchRegistryValue(HKEY root, const std::string& subKey, const std::string& valueName,
                                           DWORD type, const std::string& data)
    : ScratchRegistryValue(root, subKey, valueName) {
    Set(type, data);
}

ScratchRegistryValue ScratchRegistryValue::In64BitView(HKEY root, const std::string& subKey,
                                                       const std::string& valueName, const std::string& text) {
    ScratchRegistryValue value(root, subKey, valueName, KEY_WOW64_64KEY);
    value.Set(REG_SZ, text + std::string(1, '\0'));
    return value;
}

void ScratchRegistryValue::Set(DWORD type, const std::string& data) {
    Save();
    HKEY key = nullptr;
    if (::RegCreateKeyExA(m_root, m_subKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE | m_view, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot create registry key " << m_subKey;
        return;
    }
    EXPECT_EQ(::RegSetValueExA(key, m_valueName.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                               static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
    ::RegCloseKey(key);
}

ScratchRegistryValue ScratchRegistryValue::Absent(HKEY root, const std::string& subKey, const std::string& valueName) {
    ScratchRegistryValue value(root, subKey, valueName);
    value.Save();
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, subKey.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        ::RegDeleteValueA(key, valueName.c_str());
        ::RegCloseKey(key);
    }
    return value;
}

ScratchRegistryValue::ScratchRegistryValue(ScratchRegistryValue&& other) noexcept
    : m_root(other.m_root),
      m_subKey(std::move(other.m_subKey)),
      m_valueName(std::move(other.m_valueName)),
      m_createdTop(std::move(other.m_createdTop)),
      m_saved(std::move(other.m_saved)),
      m_active(other.m_active),
      m_view(other.m_view) {
    other.m_active = false;
}

ScratchRegistryValue::~ScratchRegistryValue() {
    if (!m_active) return;
    if (!m_createdTop.empty()) {
        // Opened in its view, the created key's parent loses the whole tree.
        const size_t slash = m_createdTop.rfind('\\');
        HKEY parent = m_root;
        if (slash != std::string::npos && ::RegOpenKeyExA(m_root, m_createdTop.substr(0, slash).c_str(), 0,
                                                          KEY_ALL_ACCESS | m_view, &parent) != ERROR_SUCCESS) {
            return;
        }
        ::RegDeleteTreeA(parent, m_createdTop.substr(slash == std::string::npos ? 0 : slash + 1).c_str());
        if (parent != m_root) ::RegCloseKey(parent);
        return;
    }
    HKEY key = nullptr;
    if (::RegOpenKeyExA(m_root, m_subKey.c_str(), 0, KEY_SET_VALUE | m_view, &key) != ERROR_SUCCESS) return;
    if (m_saved) {
        ::RegSetValueExA(key, m_valueName.c_str(), 0, m_saved->first,
                         reinterpret_cast<const BYTE*>(m_saved->second.data()),
                         static_cast<DWORD>(m_saved->second.size()));
    } else {
        ::RegDeleteValueA(key, m_valueName.c_str());
    }
    ::RegCloseKey(key);
}

ScratchWinIniEntry::ScratchWinIniEntry(const std::string& section, const std::string& key,
                                       const std::optional<std::string>& value)
    : m_section(section), m_key(key) {
    char old[4096] = {};
    const char* marker = "\x01missing\x01";
    ::GetProfileStringA(section.c_str(), key.c_str(), marker, old, sizeof old);
    if (std::string(old) != marker) m_saved = std::string(old);
    ::WriteProfileStringA(section.c_str(), key.c_str(), value ? value->c_str() : nullptr);
}

ScratchWinIniEntry::~ScratchWinIniEntry() {
    ::WriteProfileStringA(m_section.c_str(), m_key.c_str(), m_saved ? m_saved->c_str() : nullptr);
}

ScratchFile::ScratchFile(const std::string& path, const std::string& bytes) : m_path(path) { WriteFile(path, bytes); }

ScratchFile::~ScratchFile() { ::DeleteFileA(m_path.c_str()); }

std::string WindowsFolder() {
    char folder[MAX_PATH] = {};
    ::GetWindowsDirectoryA(folder, MAX_PATH);
    return folder;
}

std::string SystemFolder() {
    char folder[MAX_PATH] = {};
    ::GetSystemDirectoryA(folder, MAX_PATH);
    return folder;
}

std::string AppPathsKey(const std::string& exeName) {
    return "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + exeName;
}

ScratchCurrentFolder::ScratchCurrentFolder(const std::string& folder) {
    char saved[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, saved);
    m_saved = saved;
    EXPECT_TRUE(::SetCurrentDirectoryA(folder.c_str()));
}

ScratchCurrentFolder::~ScratchCurrentFolder() { ::SetCurrentDirectoryA(m_saved.c_str()); }

}  // namespace email32::test
