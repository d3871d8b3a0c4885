#include "companions/relay/RelayCredentials.h"

#include "base/Text.h"

#include <windows.h>
#include <wincred.h>

#include <cstdio>

namespace relay {

// The texts and message parts the plug-in shares with the module.
using namespace email32::base;

std::wstring CredentialTarget(const std::string& host) { return L"Relay32:" + FromUtf8(host); }

bool StoreSecret(const std::string& host, const std::string& user, std::wstring_view secret, std::string& problem) {
    std::wstring target = CredentialTarget(host);
    std::wstring userName = FromUtf8(user);
    CREDENTIALW credential{};
    credential.Type = CRED_TYPE_GENERIC;
    credential.TargetName = target.data();
    credential.UserName = userName.data();
    // UTF-16 without terminator, as the system's own tools store passwords;
    // the system only reads the caller's text, which is never copied here.
    credential.CredentialBlob = reinterpret_cast<LPBYTE>(const_cast<wchar_t*>(secret.data()));
    credential.CredentialBlobSize = static_cast<DWORD>(secret.size() * sizeof(wchar_t));
    credential.Persist = CRED_PERSIST_LOCAL_MACHINE;
    const bool stored = ::CredWriteW(&credential, 0) != FALSE;
    const DWORD error = ::GetLastError();
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
    if (credential->UserName) stored.user = Utf8(credential->UserName);
    const DWORD size = credential->CredentialBlobSize;
    if (size % sizeof(wchar_t) == 0) {
        stored.secret = Secret::FromUtf16(
            std::wstring_view(reinterpret_cast<const wchar_t*>(credential->CredentialBlob), size / sizeof(wchar_t)));
    } else {
        // Written by another tool as bytes: taken as UTF-8.
        stored.secret =
            Secret::FromBytes(std::string_view(reinterpret_cast<const char*>(credential->CredentialBlob), size));
    }
    if (size > 0) ::SecureZeroMemory(credential->CredentialBlob, size);
    ::CredFree(credential);
    return stored;
}

}  // namespace relay
