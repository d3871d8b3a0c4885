// The plug-in's settings file, Relay32.ini beside Relay32.dll:
//
//   [Server]
//   Host=smtp.example.org     SMTP server; missing or empty: keep every
//                             message in the outbox
//   Port=587                  1..65535; default 25, or 465 with Security=tls
//   Security=auto             auto | starttls | tls | none
//   User=me@example.org       login name; the password lives in the Windows
//                             Credential Manager (target "Relay32:" + Host)
//   AuthMethod=               PLAIN | LOGIN | XOAUTH2 | CRAM-MD5; empty:
//                             the best the server offers
//   CaFile=                   PEM file of extra trust anchors; a relative
//                             path is taken from the settings file's folder
//   Sender=Email32 <email32@localhost>   default as shown
//   Recipient=a@example.org   an RFC 5322 address list (commas, or
//                             semicolons); missing or empty: keep the message
//   Subject=Pictures          default "Pictures"; any characters, any length
//   Timeout=30                seconds per exchange with the server, 1..600
#pragma once

#include <windows.h>

#include <string>

namespace relay {

enum class Security {
    Auto,      // STARTTLS when offered; plain text only to a loopback server
    StartTls,  // STARTTLS or nothing
    Tls,       // TLS from the first byte (implicit TLS, "SMTPS")
    None,      // plain text, never with a password
};

struct RelaySettings {
    std::wstring path;  // the file read, for log lines
    std::string host;
    unsigned short port = 25;
    Security security = Security::Auto;
    std::string user;
    std::string authMethod;  // upper case, empty for automatic
    std::wstring caFile;     // full path, empty for none
    std::string sender = "Email32 <email32@localhost>";
    std::string recipient;
    std::string subject = "Pictures";
    int timeoutSeconds = 30;
    // Set when a key holds a value the plug-in must not guess at (an unknown
    // Security or AuthMethod, a Port or Timeout out of range), or the file
    // cannot be read: nothing is delivered until it is mended.
    std::string problem;
};

// The settings file beside the given module (the plug-in itself).
[[nodiscard]] std::wstring SettingsPathBeside(HMODULE module);

// Reads the file whole (a value is not cut at a carriage return or at any
// length). A missing or empty key keeps its default; a value the plug-in
// cannot use as it stands (a port or timeout out of range or not a number,
// an unknown Security or AuthMethod) is the problem that keeps every
// message in the outbox until it is mended.
[[nodiscard]] RelaySettings LoadRelaySettings(const std::wstring& path);

// "localhost", an address in 127.0.0.0/8 or ::1: the only servers the plug-in
// talks to in plain text on its own accord.
[[nodiscard]] bool IsLoopbackHost(const std::string& host);

}  // namespace relay
