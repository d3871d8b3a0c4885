// The plug-in's settings file, Relay32.ini beside Relay32.dll:
//
//   [Server]
//   Host=127.0.0.1            SMTP server; missing or empty: keep every
//                             message in the outbox
//   Port=25                   1..65535, default 25
//   Sender=Email32 <email32@localhost>   default as shown
//   Recipient=a@example.org   commas or semicolons between several; missing
//                             or empty: keep the message in the outbox
//   Subject=Pictures          default "Pictures"; any characters
//   Timeout=30                seconds per connect, reply or send, 1..600
#pragma once

#include <windows.h>

#include <string>

namespace relay {

struct RelaySettings {
    std::string host;
    unsigned short port = 25;
    std::string sender = "Email32 <email32@localhost>";
    std::string recipient;
    std::string subject = "Pictures";
    int timeoutSeconds = 30;
};

// The settings file beside the given module (the plug-in itself).
[[nodiscard]] std::wstring SettingsPathBeside(HMODULE module);

// Reads the file; every missing, empty or out-of-range key keeps its default.
[[nodiscard]] RelaySettings LoadRelaySettings(const std::wstring& path);

}  // namespace relay
