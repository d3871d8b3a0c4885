#include "companions/relay/account/DnsLookup.h"

#include "base/Text.h"

#include <winsock2.h>
#include <windows.h>
#include <windns.h>

namespace relay {

// The texts and message parts the plug-in shares with the module.
using namespace email32::base;
namespace {

struct Records {
    PDNS_RECORDW first = nullptr;
    Records() = default;
    Records(const Records&) = delete;
    Records& operator=(const Records&) = delete;
    ~Records() {
        if (first) ::DnsRecordListFree(reinterpret_cast<PDNS_RECORD>(first), DnsFreeRecordList);
    }
};

std::string Undotted(std::string name) {
    if (!name.empty() && name.back() == '.') name.pop_back();
    return name;
}

DNS_STATUS Query(const std::string& name, const std::string& server, WORD type, Records& records) {
    IP4_ARRAY servers{};
    if (!server.empty()) {
        servers.AddrCount = 1;
        servers.AddrArray[0] = ::inet_addr(server.c_str());
        if (servers.AddrArray[0] == INADDR_NONE) return DNS_ERROR_INVALID_IP_ADDRESS;
    }
    return ::DnsQuery_W(FromUtf8(name).c_str(), type, DNS_QUERY_STANDARD, server.empty() ? nullptr : &servers,
                        reinterpret_cast<PDNS_RECORD*>(&records.first), nullptr);
}

std::string Failure(const std::string& name, DNS_STATUS status) {
    if (status == DNS_ERROR_RCODE_NAME_ERROR || status == DNS_INFO_NO_RECORDS) return name + ": no record";
    if (status == DNS_ERROR_INVALID_IP_ADDRESS) return "DnsServer= is not an IPv4 address";
    return name + ": DNS error " + std::to_string(status);
}

}  // namespace

std::optional<FoundAccount> FindSubmissionService(const std::string& domain, const std::string& server,
                                                  std::vector<std::string>& problems) {
    for (const bool implicitTls : {true, false}) {
        const std::string name = (implicitTls ? "_submissions._tcp." : "_submission._tcp.") + domain;
        Records records;
        const DNS_STATUS status = Query(name, server, DNS_TYPE_SRV, records);
        if (status != ERROR_SUCCESS) {
            problems.push_back("srv: " + Failure(name, status));
            continue;
        }
        const DNS_SRV_DATAW* best = nullptr;
        for (PDNS_RECORDW r = records.first; r; r = r->pNext) {
            if (r->wType != DNS_TYPE_SRV || r->Flags.S.Section != DnsSectionAnswer) continue;
            const DNS_SRV_DATAW& srv = r->Data.SRV;
            if (!best || srv.wPriority < best->wPriority ||
                (srv.wPriority == best->wPriority && srv.wWeight > best->wWeight)) {
                best = &srv;
            }
        }
        if (!best) {
            problems.push_back("srv: " + name + ": no record");
            continue;
        }
        const std::string target = Undotted(Utf8(best->pNameTarget ? best->pNameTarget : L""));
        if (target.empty() || best->wPort == 0) {
            problems.push_back("srv: " + name + ": the domain offers no such service");
            continue;
        }
        FoundAccount found;
        found.host = target;
        found.port = best->wPort;
        found.security = implicitTls ? "tls" : "starttls";
        found.auth = "password";
        found.source = "srv";
        return found;
    }
    return std::nullopt;
}

std::string FindMailExchanger(const std::string& domain, const std::string& server,
                              std::vector<std::string>& problems) {
    Records records;
    const DNS_STATUS status = Query(domain, server, DNS_TYPE_MX, records);
    if (status != ERROR_SUCCESS) {
        problems.push_back("mx: " + Failure(domain, status));
        return {};
    }
    const DNS_MX_DATAW* best = nullptr;
    for (PDNS_RECORDW r = records.first; r; r = r->pNext) {
        if (r->wType == DNS_TYPE_MX && r->Flags.S.Section == DnsSectionAnswer &&
            (!best || r->Data.MX.wPreference < best->wPreference)) {
            best = &r->Data.MX;
        }
    }
    if (!best || !best->pNameExchange) {
        problems.push_back("mx: " + domain + ": no record");
        return {};
    }
    return Undotted(Utf8(best->pNameExchange));
}

}  // namespace relay
