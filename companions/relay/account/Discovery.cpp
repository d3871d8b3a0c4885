#include "companions/relay/account/Discovery.h"

#include "companions/relay/account/Autoconfig.h"
#include "companions/relay/account/DnsLookup.h"
#include "companions/relay/account/ProviderTable.h"

#include <cctype>

namespace relay {
namespace {

// `askAutoconfig` false: the AutoconfigUrl, which names no domain, was
// asked already.
std::optional<FoundAccount> FromDomain(const std::string& address, const std::string& domain,
                                       const RelaySettings& settings, bool askAutoconfig,
                                       std::vector<std::string>& problems) {
    if (askAutoconfig) {
        if (auto found = FetchAutoconfig(AutoconfigUrls(address, domain, settings.autoconfigUrl), address,
                                         settings.caFile, problems)) {
            return found;
        }
    }
    return FindSubmissionService(domain, settings.dnsServer, problems);
}

}  // namespace

bool SplitAddress(const std::string& address, std::string& domain) {
    const size_t at = address.rfind('@');
    if (at == std::string::npos || at == 0 || at + 1 >= address.size()) return false;
    domain = address.substr(at + 1);
    if (domain.front() == '.' || domain.back() == '.' || domain.find('.') == std::string::npos) return false;
    for (char& c : domain) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-') return false;
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    for (const char c : address.substr(0, at)) {
        if (static_cast<unsigned char>(c) <= ' ' || c == '<' || c == '>' || c == '"' || c == ',') return false;
    }
    return true;
}

Discovery DiscoverAccount(const std::string& address, const RelaySettings& settings) {
    Discovery result;
    std::string domain;
    if (!SplitAddress(address, domain)) {
        result.problems.push_back(address + " is not an e-mail address");
        return result;
    }
    if ((result.found = ProviderForDomain(domain))) return result;
    if ((result.found = FromDomain(address, domain, settings, true, result.problems))) return result;

    const std::string mx = FindMailExchanger(domain, settings.dnsServer, result.problems);
    if (mx.empty()) return result;
    if ((result.found = ProviderForMxHost(mx))) {
        result.found->source = "mx-built-in";
        return result;
    }
    // The MX host's own domain, then its parents down to two labels.
    for (size_t dot = mx.find('.'); dot != std::string::npos; dot = mx.find('.', dot + 1)) {
        const std::string parent = mx.substr(dot + 1);
        if (parent.find('.') == std::string::npos || parent == domain) break;
        if ((result.found = FromDomain(address, parent, settings, settings.autoconfigUrl.empty(), result.problems))) {
            result.found->source = "mx-" + result.found->source;
            return result;
        }
    }
    return result;
}

}  // namespace relay
