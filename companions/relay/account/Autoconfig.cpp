#include "companions/relay/account/Autoconfig.h"

#include "companions/relay/net/HttpsClient.h"
#include "base/Win32Handles.h"
#include "base/Text.h"

#include <windows.h>
#include <objidl.h>
#include <shlwapi.h>
#include <xmllite.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace relay {

// The texts and message parts the plug-in shares with the module.
using namespace email32::base;
namespace {

// Config files are a few kilobytes; a larger answer is not one.
constexpr size_t kMaxAnswer = 1 << 20;
constexpr long kTimeLimitMs = 10000;

template <typename T>
struct ComPtr {
    T* p = nullptr;
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() {
        if (p) p->Release();
    }
};

using CreateXmlReaderFn = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

// XmlLite from the system folder only; it has no import library here.
CreateXmlReaderFn XmlReaderFactory() {
    static const HMODULE library = ::LoadLibraryExW(L"xmllite.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return email32::base::ProcAddress<CreateXmlReaderFn>(library, "CreateXmlReader");
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::string Filled(std::string text, const std::string& address) {
    const size_t at = address.rfind('@');
    const std::pair<const char*, std::string> fields[] = {{"%EMAILADDRESS%", address},
                                                          {"%EMAILLOCALPART%", address.substr(0, at)},
                                                          {"%EMAILDOMAIN%", address.substr(at + 1)}};
    for (const auto& [name, value] : fields) {
        for (size_t pos = 0; (pos = text.find(name, pos)) != std::string::npos; pos += value.size()) {
            text.replace(pos, std::strlen(name), value);
        }
    }
    return text;
}

struct Server {
    std::string hostname, port, socketType, username;
    std::vector<std::string> authentication;
};

bool IsHostName(const std::string& host) {
    if (host.empty() || host.size() > 253) return false;
    for (const char c : host) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-') return false;
    }
    return true;
}

}  // namespace

std::vector<std::string> AutoconfigUrls(const std::string& address, const std::string& domain,
                                        const std::string& base) {
    const std::string query = "?emailaddress=" + FormEncoded(address);
    if (!base.empty()) {
        const std::string trimmed = base.back() == '/' ? base.substr(0, base.size() - 1) : base;
        return {trimmed + "/mail/config-v1.1.xml" + query};
    }
    return {"https://autoconfig." + domain + "/mail/config-v1.1.xml" + query,
            "https://" + domain + "/.well-known/autoconfig/mail/config-v1.1.xml"};
}

std::optional<FoundAccount> ParseAutoconfig(const std::string& xml, const std::string& address, std::string& problem) {
    const CreateXmlReaderFn create = XmlReaderFactory();
    if (!create) return problem = "XmlLite is missing", std::nullopt;
    ComPtr<IStream> stream;
    stream.p = ::SHCreateMemStream(reinterpret_cast<const BYTE*>(xml.data()), static_cast<UINT>(xml.size()));
    ComPtr<IXmlReader> reader;
    if (!stream.p || FAILED(create(__uuidof(IXmlReader), reinterpret_cast<void**>(&reader.p), nullptr))) {
        return problem = "XmlLite cannot start", std::nullopt;
    }
    reader.p->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit);
    reader.p->SetProperty(XmlReaderProperty_MaxElementDepth, 32);
    if (FAILED(reader.p->SetInput(stream.p))) return problem = "the answer cannot be read", std::nullopt;

    std::vector<Server> servers;
    std::string oauthAuthorize, oauthToken, oauthScope;
    std::vector<std::string> path;  // element names from the root
    std::string text;
    XmlNodeType node = XmlNodeType_None;
    HRESULT read = S_OK;
    while ((read = reader.p->Read(&node)) == S_OK) {
        const wchar_t* name = nullptr;
        if (node == XmlNodeType_Element) {
            reader.p->GetLocalName(&name, nullptr);
            path.push_back(Utf8(name));
            text.clear();
            if (path.back() == "outgoingServer") {
                // Only an SMTP server's fields are taken.
                bool smtp = false;
                if (reader.p->MoveToAttributeByName(L"type", nullptr) == S_OK) {
                    const wchar_t* type = nullptr;
                    reader.p->GetValue(&type, nullptr);
                    smtp = type && Lower(Utf8(type)) == "smtp";
                    reader.p->MoveToElement();
                }
                if (smtp) servers.emplace_back();
                else path.back() = "otherServer";
            }
            if (reader.p->IsEmptyElement()) path.pop_back();
        } else if (node == XmlNodeType_Text || node == XmlNodeType_CDATA) {
            const wchar_t* value = nullptr;
            reader.p->GetValue(&value, nullptr);
            text += Utf8(value);
        } else if (node == XmlNodeType_EndElement && !path.empty()) {
            const std::string field = path.back();
            const std::string parent = path.size() > 1 ? path[path.size() - 2] : "";
            const std::string value = Trimmed(text);
            if (parent == "outgoingServer" && !servers.empty()) {
                Server& s = servers.back();
                if (field == "hostname") s.hostname = value;
                else if (field == "port") s.port = value;
                else if (field == "socketType") s.socketType = Lower(value);
                else if (field == "username") s.username = value;
                else if (field == "authentication") s.authentication.push_back(Lower(value));
            } else if (parent == "oAuth2") {
                if (field == "authURL") oauthAuthorize = value;
                else if (field == "tokenURL") oauthToken = value;
                else if (field == "scope") oauthScope = value;
            }
            path.pop_back();
            text.clear();
        }
    }
    if (FAILED(read)) return problem = "the answer is not well-formed XML", std::nullopt;

    const Server* chosen = nullptr;
    for (const Server& s : servers) {
        if (s.socketType == "ssl" || s.socketType == "starttls") {
            chosen = &s;
            break;
        }
    }
    if (!chosen && !servers.empty()) chosen = &servers.front();
    if (!chosen) return problem = "the answer names no outgoing SMTP server", std::nullopt;
    FoundAccount found;
    found.host = Filled(chosen->hostname, address);
    if (!IsHostName(found.host)) return problem = "the answer's SMTP server has no usable host name", std::nullopt;
    found.port = std::atoi(chosen->port.c_str());
    found.security = chosen->socketType == "ssl" ? "tls" : chosen->socketType == "starttls" ? "starttls" : "none";
    if (found.port <= 0 || found.port > 65535) found.port = found.security == "tls" ? 465 : 587;
    const auto offers = [&](const char* method) {
        for (const std::string& a : chosen->authentication)
            if (a == method) return true;
        return false;
    };
    const bool passwords = offers("password-cleartext") || offers("plain") || offers("password-encrypted") ||
                           offers("secure") || chosen->authentication.empty();
    // OAuth when the answer prefers it, or when it is all the server takes.
    const bool oauth = offers("oauth2") && (!passwords || chosen->authentication.front() == "oauth2");
    found.auth = oauth                                              ? "OAUTH2"
                 : offers("password-cleartext") || offers("plain")  ? "password"
                 : offers("password-encrypted") || offers("secure") ? "CRAM-MD5"
                                                                    : "password";
    found.user = Filled(chosen->username, address);
    if (oauth) {
        found.authorizeUrl = oauthAuthorize;
        found.tokenUrl = oauthToken;
        found.scope = oauthScope;
    }
    found.source = "autoconfig";
    return found;
}

std::optional<FoundAccount> FetchAutoconfig(const std::vector<std::string>& urls, const std::string& address,
                                            const std::wstring& caFile, std::vector<std::string>& problems) {
    for (const std::string& url : urls) {
        HttpsRequest request;
        request.url = url;
        request.caFile = caFile;
        request.maxBytes = kMaxAnswer;
        request.timeLimitMs = kTimeLimitMs;
        const HttpsAnswer answer = HttpsFetch(request);
        const std::string where = url.substr(0, url.find('?'));
        if (!answer.received) {
            problems.push_back("autoconfig: " + answer.problem);
            continue;
        }
        if (answer.status != 200) {
            problems.push_back("autoconfig: " + where + " answered HTTP " + std::to_string(answer.status));
            continue;
        }
        std::string problem;
        if (auto found = ParseAutoconfig(answer.body, address, problem)) return found;
        problems.push_back("autoconfig: " + where + ": " + problem);
    }
    return std::nullopt;
}

}  // namespace relay
