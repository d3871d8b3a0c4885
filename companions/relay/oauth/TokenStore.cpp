#include "companions/relay/oauth/TokenStore.h"

#include "base/Text.h"

#include <windows.h>
#include <wincred.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>

namespace relay {

// The texts and message parts the plug-in shares with the module.
using namespace email32::base;
namespace {

std::wstring AccessTarget(const std::string& address) { return L"Relay32-OAuth-Access:" + FromUtf8(address); }

// Access tokens too long for a credential stay here for the process's life.
std::mutex g_memoryLock;
std::map<std::string, AccessToken>& Memory() {
    static std::map<std::string, AccessToken> tokens;
    return tokens;
}

// UTF-8 bytes, not UTF-16: provider tokens are long, and a credential holds
// at most CRED_MAX_CREDENTIAL_BLOB_SIZE bytes.
bool Write(const std::wstring& target, const std::string& user, const std::string& blob) {
    if (blob.size() > CRED_MAX_CREDENTIAL_BLOB_SIZE) return false;
    std::wstring targetCopy = target;
    std::wstring userName = FromUtf8(user);
    std::string bytes = blob;
    CREDENTIALW credential{};
    credential.Type = CRED_TYPE_GENERIC;
    credential.TargetName = targetCopy.data();
    credential.UserName = userName.data();
    credential.CredentialBlob = reinterpret_cast<LPBYTE>(bytes.data());
    credential.CredentialBlobSize = static_cast<DWORD>(bytes.size());
    credential.Persist = CRED_PERSIST_LOCAL_MACHINE;
    const bool written = ::CredWriteW(&credential, 0) != FALSE;
    WipeText(bytes);
    return written;
}

std::string Read(const std::wstring& target) {
    PCREDENTIALW credential = nullptr;
    if (!::CredReadW(target.c_str(), CRED_TYPE_GENERIC, 0, &credential)) return {};
    std::string blob(reinterpret_cast<const char*>(credential->CredentialBlob), credential->CredentialBlobSize);
    if (credential->CredentialBlobSize > 0)
        ::SecureZeroMemory(credential->CredentialBlob, credential->CredentialBlobSize);
    ::CredFree(credential);
    return blob;
}

}  // namespace

AccessToken::~AccessToken() { WipeText(token); }

void WipeText(std::string& text) noexcept {
    if (!text.empty()) ::SecureZeroMemory(text.data(), text.size());
    text.clear();
}

int64_t NowSeconds() {
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    const uint64_t ticks = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return static_cast<int64_t>(ticks / 10000000ULL) - 11644473600LL;
}

std::wstring RefreshTokenTarget(const std::string& address) { return L"Relay32-OAuth:" + FromUtf8(address); }

bool StoreRefreshToken(const std::string& address, const std::string& token, std::string& problem) {
    if (Write(RefreshTokenTarget(address), address, token)) return true;
    char text[128];
    std::snprintf(text, sizeof text, "the Credential Manager did not take the refresh token (%zu bytes, error %lu)",
                  token.size(), ::GetLastError());
    problem = text;
    return false;
}

std::string ReadRefreshToken(const std::string& address) { return Read(RefreshTokenTarget(address)); }

void StoreAccessToken(const std::string& address, const AccessToken& token) {
    {
        const std::lock_guard<std::mutex> lock(g_memoryLock);
        Memory()[address] = token;
    }
    std::string blob = std::to_string(token.expiresAt) + " " + token.token;
    if (!Write(AccessTarget(address), address, blob))
        ::CredDeleteW(AccessTarget(address).c_str(), CRED_TYPE_GENERIC, 0);
    WipeText(blob);
}

AccessToken ReadAccessToken(const std::string& address) {
    {
        const std::lock_guard<std::mutex> lock(g_memoryLock);
        const auto found = Memory().find(address);
        if (found != Memory().end()) return found->second;
    }
    std::string blob = Read(AccessTarget(address));
    AccessToken token;
    const size_t blank = blob.find(' ');
    if (blank != std::string::npos) {
        token.expiresAt = std::strtoll(blob.substr(0, blank).c_str(), nullptr, 10);
        token.token = blob.substr(blank + 1);
    }
    WipeText(blob);
    return token;
}

void ForgetAccessToken(const std::string& address) {
    {
        const std::lock_guard<std::mutex> lock(g_memoryLock);
        Memory().erase(address);
    }
    ::CredDeleteW(AccessTarget(address).c_str(), CRED_TYPE_GENERIC, 0);
}

}  // namespace relay
