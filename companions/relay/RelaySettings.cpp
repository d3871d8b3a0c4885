#include "companions/relay/RelaySettings.h"

#include "base/Path.h"
#include "base/Text.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

namespace relay {

// The texts and message parts the plug-in shares with the module.
using namespace email32::base;
namespace {

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool IsAbsolute(const std::wstring& path) {
    return (path.size() > 1 && path[1] == L':') || (!path.empty() && (path[0] == L'\\' || path[0] == L'/'));
}

// A whole number from low to high, or the fallback when the key is missing
// or empty; anything else (a sign, a fraction, a number out of range, a
// word) is a problem: the plug-in does not guess which server or how long.
int ReadNumber(const SettingsReader& file, const char* key, int low, int high, int fallback, const char* what,
               std::string& problem) {
    const std::string text = file.Text(key);
    if (text.empty()) return fallback;
    const bool digits = text.size() <= 9 && text.find_first_not_of("0123456789") == std::string::npos;
    const int value = digits ? std::stoi(text) : -1;
    if (value >= low && value <= high) return value;
    if (problem.empty()) {
        problem = std::string(key) + "=" + text + " is not " + what + " (" + std::to_string(low) + " to " +
                  std::to_string(high) + ")";
    }
    return fallback;
}

}  // namespace

RelaySettings LoadRelaySettings(const std::wstring& path) { return LoadRelaySettings(SettingsFiles{path, {}}); }

RelaySettings LoadRelaySettings(const SettingsFiles& files) {
    RelaySettings settings;
    const SettingsReader file(files);
    settings.path = file.FileOf("Host").empty() ? files.shared : file.FileOf("Host");
    if (!file.readable()) settings.problem = "the settings cannot be read";
    settings.address = Trimmed(file.Text("Address"));
    settings.host = Trimmed(file.Text("Host"));

    const std::string security = Upper(Trimmed(file.Text("Security")));
    if (security.empty() || security == "AUTO") settings.security = Security::Auto;
    else if (security == "STARTTLS") settings.security = Security::StartTls;
    else if (security == "TLS") settings.security = Security::Tls;
    else if (security == "NONE") settings.security = Security::None;
    else if (settings.problem.empty())
        settings.problem = "Security=" + security + " is none of auto, starttls, tls, none";

    const int defaultPort = settings.security == Security::Tls ? 465 : 25;
    settings.port =
        static_cast<unsigned short>(ReadNumber(file, "Port", 1, 65535, defaultPort, "a port number", settings.problem));
    settings.user = Trimmed(file.Text("User"));

    settings.authMethod = Upper(Trimmed(file.Text("AuthMethod")));
    static constexpr const char* kMethods[] = {"PLAIN", "LOGIN", "XOAUTH2", "CRAM-MD5", "OAUTH2"};
    if (!settings.authMethod.empty() &&
        std::none_of(std::begin(kMethods), std::end(kMethods),
                     [&](const char* m) { return settings.authMethod == m; }) &&
        settings.problem.empty()) {
        settings.problem = "AuthMethod=" + settings.authMethod + " is none of PLAIN, LOGIN, XOAUTH2, CRAM-MD5, OAUTH2";
    }

    const std::wstring caFile = FromUtf8(Trimmed(file.Text("CaFile")));
    if (!caFile.empty()) settings.caFile = IsAbsolute(caFile) ? caFile : FolderOf(file.FileOf("CaFile")) + caFile;

    if (!settings.address.empty()) settings.sender = settings.address;
    if (std::string sender = file.Text("Sender"); !sender.empty()) settings.sender = std::move(sender);
    settings.recipient = file.Text("Recipient");
    // Kept whole however long; its line breaks become blanks in the header.
    if (std::string subject = file.Text("Subject"); !subject.empty()) settings.subject = std::move(subject);
    settings.timeoutSeconds =
        ReadNumber(file, "Timeout", 1, 600, settings.timeoutSeconds, "a number of seconds", settings.problem);
    settings.compose = ReadNumber(file, "Compose", 0, 1, 0, "a switch", settings.problem) == 1;
    // A host that meant to be left alone is never shown a window by a typo.
    const std::string quiet = Trimmed(file.Text("Quiet"));
    settings.quiet =
        ReadNumber(file, "Quiet", 0, 1, 0, "a switch", settings.problem) == 1 || (!quiet.empty() && quiet != "0");
    settings.autoconfigUrl = Trimmed(file.Text("AutoconfigUrl"));
    settings.dnsServer = Trimmed(file.Text("DnsServer"));
    OAuthSettings& oauth = settings.oauth;
    oauth.clientId = Trimmed(file.Text("OAuthClientId"));
    oauth.clientSecret = Trimmed(file.Text("OAuthClientSecret"));
    oauth.provider = Trimmed(file.Text("OAuthProvider"));
    for (char& c : oauth.provider) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    oauth.authorizeUrl = Trimmed(file.Text("OAuthAuthorizeUrl"));
    oauth.tokenUrl = Trimmed(file.Text("OAuthTokenUrl"));
    oauth.deviceUrl = Trimmed(file.Text("OAuthDeviceUrl"));
    oauth.scope = Trimmed(file.Text("OAuthScope"));
    return settings;
}

std::string LoginName(const RelaySettings& settings) {
    return settings.user.empty() && settings.authMethod == "OAUTH2" ? settings.address : settings.user;
}

bool IsLoopbackHost(const std::string& host) {
    const std::string name = Upper(host);
    if (name == "LOCALHOST" || name == "::1" || name == "[::1]") return true;
    // A dotted IPv4 address whose first number is 127.
    int parts = 0;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find('.', start);
        if (end == std::string::npos) end = name.size();
        const std::string part = name.substr(start, end - start);
        if (part.empty() || part.size() > 3 || part.find_first_not_of("0123456789") != std::string::npos) {
            return false;
        }
        if (std::stoi(part) > 255 || (parts == 0 && part != "127")) return false;
        ++parts;
        start = end + 1;
    }
    return parts == 4;
}

}  // namespace relay
