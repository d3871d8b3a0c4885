// Where the plug-in's settings live: Relay32.ini beside the plug-in (a
// company's, read-only under Program Files, shared by every user) and
// Relay32.ini in the per-user folder. A key of the per-user file overrides
// the same key beside the plug-in, key by key, so that a company can set
// CaFile or sign-in endpoints for everyone while each user keeps an account.
#pragma once

#include "base/IniDocument.h"

#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace relay {

struct SettingsFiles {
    std::wstring shared;  // beside the plug-in
    std::wstring user;    // in the per-user folder; empty when there is none
};

// Both files for the plug-in module given.
[[nodiscard]] SettingsFiles SettingsFilesOf(HMODULE plugin);
// Relay32.ini in the per-user folder (the outbox's parent); empty without one.
[[nodiscard]] std::wstring UserSettingsPath();

// The [Server] section of both files, each read whole (the profile service
// would cut a value at a carriage return and at its buffer's end); the
// per-user file's keys first.
class SettingsReader {
public:
    explicit SettingsReader(SettingsFiles files);
    // False when a file exists but cannot be read (or is too large to be
    // settings): then nothing may be taken from either.
    [[nodiscard]] bool readable() const noexcept { return m_readable; }
    // The value as UTF-8; empty when neither file has the key.
    [[nodiscard]] std::string Text(const char* key) const;
    // The file that the value of the key comes from (for relative paths).
    [[nodiscard]] const std::wstring& FileOf(const char* key) const;
    [[nodiscard]] const SettingsFiles& files() const noexcept { return m_files; }

private:
    SettingsFiles m_files;
    std::optional<email32::base::IniDocument> m_user;
    std::optional<email32::base::IniDocument> m_shared;
    bool m_readable = true;
};

// Writes the keys into the per-user file (created as UTF-16 so that any text
// survives), and records the plug-in's folder under
// HKCU\Software\Email32\Relay, value Folder, so that detection finds the
// plug-in. An empty value is written as an empty key, which overrides the
// shared file's. False with the reason in `problem`.
using SettingValues = std::vector<std::pair<std::wstring, std::wstring>>;
[[nodiscard]] bool WriteUserSettings(const SettingValues& values, HMODULE plugin, std::string& problem);

// The per-user file, made first (as UTF-16) when there is none; empty when
// there is no per-user folder or the file cannot be made.
[[nodiscard]] std::wstring UserSettingsFile();

}  // namespace relay
