#include "companions/relay/account/ProviderTable.h"

#include <cstring>

namespace relay {
namespace {

struct Provider {
    const char* name;
    const char* domains;     // blank-separated address domains
    const char* mxSuffixes;  // blank-separated MX host endings of domains it hosts
    const char* host;
    int port;
    const char* security;
    const char* auth;
    const char* oauthProvider;
    const char* note;
};

// From each provider's help pages for mail programs (server, port and
// encryption for sending; what it takes for a login).
constexpr Provider kProviders[] = {
    {"Gmail", "gmail.com googlemail.com", "google.com googlemail.com", "smtp.gmail.com", 465, "tls", "OAUTH2", "google",
     "Google signs in with OAuth; an app password works with 2-step verification"},
    {"Outlook.com",
     "outlook.com hotmail.com live.com msn.com hotmail.co.uk hotmail.fr hotmail.de hotmail.it "
     "hotmail.es live.co.uk live.fr live.de outlook.de outlook.fr",
     "", "smtp-mail.outlook.com", 587, "starttls", "OAUTH2", "microsoft", "Outlook.com takes only OAuth sign-in"},
    {"Microsoft 365", "onmicrosoft.com", "mail.protection.outlook.com", "smtp.office365.com", 587, "starttls", "OAUTH2",
     "microsoft-organizations", "Microsoft 365 signs in with OAuth; SMTP AUTH must be allowed"},
    {"iCloud", "icloud.com me.com mac.com", "mail.icloud.com", "smtp.mail.me.com", 587, "starttls", "password", "",
     "iCloud Mail takes an app-specific password"},
    {"Yahoo",
     "yahoo.com ymail.com rocketmail.com yahoo.co.uk yahoo.fr yahoo.de yahoo.it yahoo.es yahoo.co.jp "
     "yahoo.com.tw",
     "yahoodns.net", "smtp.mail.yahoo.com", 465, "tls", "password", "", "Yahoo Mail takes an app password"},
    {"AOL", "aol.com aim.com", "", "smtp.aol.com", 465, "tls", "password", "", "AOL Mail takes an app password"},
    {"GMX", "gmx.net gmx.de gmx.at gmx.ch", "", "mail.gmx.net", 587, "starttls", "password", "",
     "sending from mail programs must be switched on in GMX's settings"},
    {"GMX", "gmx.com gmx.us gmx.co.uk gmx.fr gmx.es", "", "mail.gmx.com", 587, "starttls", "password", "",
     "sending from mail programs must be switched on in GMX's settings"},
    {"WEB.DE", "web.de", "", "smtp.web.de", 587, "starttls", "password", "",
     "sending from mail programs must be switched on in WEB.DE's settings"},
    {"Zoho", "zoho.com zohomail.com", "zoho.com", "smtp.zoho.com", 465, "tls", "password", "",
     "with two-factor authentication Zoho takes an application-specific password"},
    {"Zoho", "zoho.eu zohomail.eu", "zoho.eu", "smtp.zoho.eu", 465, "tls", "password", "",
     "with two-factor authentication Zoho takes an application-specific password"},
    {"Fastmail", "fastmail.com fastmail.fm fastmail.net fastmail.org fastmail.us messagingengine.com", "",
     "smtp.fastmail.com", 465, "tls", "password", "", "Fastmail takes an app password"},
    {"Proton Mail Bridge", "proton.me protonmail.com protonmail.ch pm.me", "", "127.0.0.1", 1025, "starttls",
     "password", "",
     "Proton Mail sends through Proton Mail Bridge on this computer, with the password and certificate it shows"},
};

// Whether `word` is one of the blank-separated words of `list`.
bool Listed(const char* list, const std::string& word) {
    const size_t length = word.size();
    for (const char* at = list; *at;) {
        const char* end = std::strchr(at, ' ');
        const size_t size = end ? static_cast<size_t>(end - at) : std::strlen(at);
        if (size == length && word.compare(0, length, at, size) == 0) return true;
        if (!end) break;
        at = end + 1;
    }
    return false;
}

FoundAccount Entry(const Provider& p) {
    FoundAccount found;
    found.host = p.host;
    found.port = p.port;
    found.security = p.security;
    found.auth = p.auth;
    found.oauthProvider = p.oauthProvider;
    found.source = "built-in";
    found.note = p.note;
    return found;
}

bool EndsWith(const std::string& text, const std::string& ending) {
    return text.size() >= ending.size() && text.compare(text.size() - ending.size(), ending.size(), ending) == 0 &&
           (text.size() == ending.size() || text[text.size() - ending.size() - 1] == '.');
}

}  // namespace

std::optional<FoundAccount> ProviderForDomain(const std::string& domain) {
    for (const Provider& p : kProviders) {
        if (Listed(p.domains, domain)) return Entry(p);
    }
    // A tenant's own subdomain of a provider's domain (name.onmicrosoft.com).
    for (const Provider& p : kProviders) {
        if (std::strcmp(p.domains, "onmicrosoft.com") == 0 && EndsWith(domain, p.domains)) return Entry(p);
    }
    return std::nullopt;
}

std::optional<FoundAccount> ProviderForMxHost(const std::string& mxHost) {
    std::string host = mxHost;
    if (!host.empty() && host.back() == '.') host.pop_back();
    for (const Provider& p : kProviders) {
        for (const char* at = p.mxSuffixes; *at;) {
            const char* end = std::strchr(at, ' ');
            const std::string suffix(at, end ? static_cast<size_t>(end - at) : std::strlen(at));
            if (EndsWith(host, suffix)) return Entry(p);
            if (!end) break;
            at = end + 1;
        }
    }
    return std::nullopt;
}

std::string DescribeAccount(const FoundAccount& found) {
    return "host " + found.host + " port " + std::to_string(found.port) + " security " + found.security + " auth " +
           found.auth + " source " + found.source;
}

}  // namespace relay
