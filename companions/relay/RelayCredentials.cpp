#include "companions/relay/RelayCredentials.h"

#include "companions/relay/TextCodec.h"

#include <windows.h>
#include <wincred.h>

#include <cstdio>

namespace relay {
namespace {

void Wipe(std::string& text) {
    if (!text.empty()) ::SecureZeroMemory(text.data(), text.size());
    text.clear();
}

void Wipe(std::wstring& text) {
    if (!text.empty()) ::SecureZeroMemory(text.data(), text.size() * sizeof(wchar_t));
    text.clear();
}

}  // namespace

StoredSecret::~StoredSecret() { Wipe(secret); }

std::wstring CredentialTarget(const std::string& host) { return L"Relay32:" + WideFromUtf8(host); }

bool StoreSecret(const std::string& host, const std::string& user, const std::string& secret, std::string& problem) {
    std::wstring target = CredentialTarget(host);
    std::wstring userName = WideFromUtf8(user);
    // UTF-16 without terminator, as the system's own tools store passwords.
    std::wstring blob = WideFromUtf8(secret);
    CREDENTIALW credential{};
    credential.Type = CRED_TYPE_GENERIC;
    credential.TargetName = target.data();
    credential.UserName = userName.data();
    credential.CredentialBlob = reinterpret_cast<LPBYTE>(blob.data());
    credential.CredentialBlobSize = static_cast<DWORD>(blob.size() * sizeof(wchar_t));
    credential.Persist = CRED_PERSIST_LOCAL_MACHINE;
    const bool stored = ::CredWriteW(&credential, 0) != FALSE;
    const DWORD error = ::GetLastError();
    Wipe(blob);
    if (!stored) {
        char text[96];
        std::snprintf(text, sizeof text, "the Credential Manager refused it (error %lu)", error);
        problem = text;
    }
    return stored;
}

StoredSecret ReadSecret(const std::string& host) {
    StoredSecret stored;
    PCREDENTIALW credential = nullptr;
    if (!::CredReadW(CredentialTarget(host).c_str(), CRED_TYPE_GENERIC, 0, &credential)) return stored;
    stored.found = true;
    if (credential->UserName) stored.user = Utf8FromWide(credential->UserName);
    const DWORD size = credential->CredentialBlobSize;
    if (size % sizeof(wchar_t) == 0) {
        std::wstring wide(reinterpret_cast<const wchar_t*>(credential->CredentialBlob), size / sizeof(wchar_t));
        stored.secret = Utf8FromWide(wide);
        Wipe(wide);
    } else {
        // Written by another tool as bytes: taken as UTF-8.
        stored.secret.assign(reinterpret_cast<const char*>(credential->CredentialBlob), size);
    }
    if (size > 0) ::SecureZeroMemory(credential->CredentialBlob, size);
    ::CredFree(credential);
    return stored;
}

}  // namespace relay
