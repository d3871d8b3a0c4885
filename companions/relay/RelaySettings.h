// The plug-in's settings, Relay32.ini beside Relay32.dll merged key by key
// with Relay32.ini in the per-user folder (settings/SettingsFiles.h):
//
//   [Server]
//   Address=me@example.org    the account's address: the sender when Sender
//                             is missing, the login with AuthMethod=OAUTH2
//
//   Host=smtp.example.org     SMTP server; missing or empty: keep every
//                             message in the outbox
//   Port=587                  1..65535; default 25, or 465 with Security=tls
//   Security=auto             auto | starttls | tls | none
//   User=me@example.org       login name; the password lives in the Windows
//                             Credential Manager (target "Relay32:" + Host)
//   AuthMethod=               PLAIN | LOGIN | XOAUTH2 | CRAM-MD5 | OAUTH2;
//                             empty: the best the server offers. OAUTH2:
//                             sign-in with the provider (oauth/), tokens in
//                             the Credential Manager
//   OAuthClientId=            the host maker's registration with the provider
//   OAuthClientSecret=        when the provider gives installed programs one
//   OAuthProvider=            google | microsoft | microsoft-organizations
//   OAuthAuthorizeUrl= OAuthTokenUrl= OAuthDeviceUrl= OAuthScope=
//                             override the provider's built-in endpoints
//   AutoconfigUrl=            base URL of the autoconfig answer (account/)
//   DnsServer=                IPv4 address of the DNS server the set-up asks
//                             for SRV and MX records; empty: the system's
//   CaFile=                   PEM file of extra trust anchors; a relative
//                             path is taken from the settings file's folder
//   Sender=Email32 <email32@localhost>   default as shown
//   Recipient=a@example.org   an RFC 5322 address list (commas, or
//                             semicolons); missing or empty: keep the message
//   Subject=Pictures          default "Pictures"; any characters, any length
//   Timeout=30                seconds per exchange with the server, 1..600
//   Compose=0                 1: the compose window asks for recipients,
//                             subject and text at every send; 0: only when
//                             neither the host nor Recipient names anyone
//   Quiet=0                   1: never a window (the compose window, the
//                             notice of a message that waits), for hosts
//                             that run unattended
#pragma once

#include "companions/relay/settings/SettingsFiles.h"

#include <windows.h>

#include <string>

namespace relay {

enum class Security {
    Auto,      // STARTTLS when offered; plain text only to a loopback server
    StartTls,  // STARTTLS or nothing
    Tls,       // TLS from the first byte (implicit TLS, "SMTPS")
    None,      // plain text, never with a password
};

struct OAuthSettings {
    std::string clientId;
    std::string clientSecret;
    std::string provider;  // lower case
    std::string authorizeUrl;
    std::string tokenUrl;
    std::string deviceUrl;
    std::string scope;
};

struct RelaySettings {
    std::wstring path;  // the file read, for log lines (the per-user one when it names the server)
    std::string address;
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
    bool compose = false;
    bool quiet = false;
    std::string autoconfigUrl;
    std::string dnsServer;
    OAuthSettings oauth;
    // Set when a key holds a value the plug-in must not guess at (an unknown
    // Security or AuthMethod, a Port or Timeout out of range), or the file
    // cannot be read: nothing is delivered until it is mended.
    std::string problem;
};

// Reads both files; a missing or empty number keeps its default, and a
// value the plug-in must not guess at is a problem.
[[nodiscard]] RelaySettings LoadRelaySettings(const SettingsFiles& files);
// One file alone.
[[nodiscard]] RelaySettings LoadRelaySettings(const std::wstring& path);

// The login name: User, or with AuthMethod=OAUTH2 and no User the Address.
[[nodiscard]] std::string LoginName(const RelaySettings& settings);

// "localhost", an address in 127.0.0.0/8 or ::1: the only servers the plug-in
// talks to in plain text on its own accord.
[[nodiscard]] bool IsLoopbackHost(const std::string& host);

}  // namespace relay
