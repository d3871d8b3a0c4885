// The plug-in's account entries: settings from an address, sign-in with the
// provider, and the account dialog. Texts cross as UTF-16.
#include "companions/relay/account/AccountSetup.h"
#include "companions/relay/oauth/SignIn.h"
#include "companions/relay/settings/SettingsFiles.h"
#include "companions/relay/ui/AccountDialog.h"
#include "public/relay32.h"
#include "base/Text.h"

#include <windows.h>

namespace {

HMODULE ThisModule() noexcept {
    HMODULE module = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

// The SMTP and HTTPS library start once per process; see MailSvr_SendFiles.
void StayLoaded() noexcept {
    HMODULE pinned = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                         reinterpret_cast<LPCWSTR>(&ThisModule), &pinned);
}

void CopyOut(const std::string& text, wchar_t* buffer, int chars) {
    if (buffer == nullptr || chars <= 0) return;
    const std::wstring wide = email32::base::FromUtf8(text);
    const size_t count = std::min(wide.size(), static_cast<size_t>(chars - 1));
    wide.copy(buffer, count);
    buffer[count] = L'\0';
}

}  // namespace

// Finds the outgoing-server settings for the address and, with `write`
// non-zero, saves them in the per-user Relay32.ini. `line` receives
// "host H port P security S auth A source X" or why nothing was found.
// Returns 1 when found (and saved), 0 otherwise.
extern "C" int __cdecl MailSvr_FindSettings(const wchar_t* address, int write, wchar_t* line, int lineChars) {
    if (address == nullptr) return 0;
    StayLoaded();
    try {
        const std::string text = email32::base::Utf8(address);
        const relay::SetupResult result = relay::SetupAccount(relay::SettingsFilesOf(ThisModule()), text);
        std::string problem;
        if (result.found && write &&
            !relay::WriteUserSettings(relay::AccountValues(text, result.account), ThisModule(), problem)) {
            CopyOut(result.line + "; not saved: " + problem, line, lineChars);
            return 0;
        }
        CopyOut(result.line, line, lineChars);
        return result.found ? 1 : 0;
    } catch (...) {
        CopyOut("out of memory", line, lineChars);
        return 0;
    }
}

// Signs the account in with its provider (the browser, or with `deviceFlow`
// non-zero the device flow, whose code goes to `notice`). `message`
// receives "signed in as ADDRESS" or why not. Returns 1 when signed in.
extern "C" int __cdecl MailSvr_SignIn(const wchar_t* address, int deviceFlow, MailSvrNotice notice, void* context,
                                      wchar_t* message, int messageChars) {
    if (address == nullptr) return 0;
    StayLoaded();
    try {
        const relay::SignInResult result =
            relay::SignIn(relay::SettingsFilesOf(ThisModule()), ThisModule(), email32::base::Utf8(address),
                          deviceFlow != 0, [&](const std::string& text) {
                              if (notice) notice(email32::base::FromUtf8(text).c_str(), context);
                          });
        CopyOut(result.message, message, messageChars);
        return result.signedIn ? 1 : 0;
    } catch (...) {
        CopyOut("out of memory", message, messageChars);
        return 0;
    }
}

// Shows the account dialog over `parent` (may be null). Returns 1 when the
// account was saved, 0 when cancelled.
extern "C" int __cdecl MailSvr_Configure(HWND parent) {
    StayLoaded();
    try {
        return relay::ShowAccountDialog(parent, ThisModule()) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}
