// "Relay32.dll": the mail-server plug-in that the module's link type 7 loads
// from the host's folder.
#include "companions/relay/MailRelay.h"
#include "companions/relay/RelayCredentials.h"
#include "companions/relay/RelaySettings.h"
#include "companions/relay/ui/PluginWindows.h"
#include "public/relay32.h"
#include "base/Text.h"

#include <windows.h>

#include <string>
#include <vector>

#include <algorithm>

namespace {

HMODULE ThisModule() noexcept {
    HMODULE module = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

// The module loads and frees the plug-in on every send. Its static C++
// runtime takes memory from the process heap at every load that no unload
// gives back (the exception emergency pool, some 19 KB), and the SMTP
// library starts once per process: once used, the plug-in stays loaded, so
// that further loads and frees cost nothing.
void StayLoaded() noexcept {
    HMODULE pinned = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                         reinterpret_cast<LPCWSTR>(&ThisModule), &pinned);
}

}  // namespace

// one: always 1 from the module; not looked at.
// shortPaths: the files' short paths joined by "^".
// Returns 1 when an SMTP server accepted the message, 2 when it was kept in
// the outbox (or refused for good), 0 when nothing was sent (the user
// cancelled the compose window, among others); the module does not look at
// it. Unless Quiet=1, the compose window asks for the recipients when the
// settings name none (or with Compose=1), and a notice tells the user once
// when the message waits for something only they can do.
// cdecl: the caller removes both arguments.
extern "C" int __cdecl MailSvr_SendFiles(int /*one*/, const char* shortPaths) {
    StayLoaded();
    try {
        return static_cast<int>(
            relay::RelayFiles(shortPaths, relay::SettingsFilesOf(ThisModule()), relay::PluginWindows(ThisModule())));
    } catch (...) {
        // Out of memory for a file name list: nothing can be done, and no
        // exception may cross into the caller. The outbox holds whatever was
        // already written whole.
        return static_cast<int>(relay::RelayResult::NothingSent);
    }
}

// One message with the caller's recipients (RFC 5322 address lists),
// subject and text, each null when not given, and `count` files by their
// full paths. Given recipients and subject take the place of Relay32.ini's
// for this message; a given text that of the plug-in. Given recipients keep
// the compose window away unless Compose=1, which shows it with the fields
// filled in. Returns what MailSvr_SendFiles returns.
extern "C" int __cdecl MailSvr_SendMessageW(const wchar_t* to, const wchar_t* cc, const wchar_t* subject,
                                            const wchar_t* body, const wchar_t* const* files, int count) {
    StayLoaded();
    try {
        std::vector<std::wstring> paths;
        for (int i = 0; files != nullptr && i < count; ++i) {
            // A null file is nothing the caller can have meant: nothing is sent.
            if (files[i] == nullptr) return static_cast<int>(relay::RelayResult::NothingSent);
            paths.emplace_back(files[i]);
        }
        const auto text = [](const wchar_t* field) { return field ? email32::base::Utf8(field) : std::string(); };
        const relay::MessageFields fields{text(to), text(cc), text(subject), text(body)};
        return static_cast<int>(relay::RelayMessage(paths, fields, relay::SettingsFilesOf(ThisModule()),
                                                    relay::PluginWindows(ThisModule())));
    } catch (...) {
        return static_cast<int>(relay::RelayResult::NothingSent);
    }
}

// Delivers the outbox, oldest message first, and nothing else. Fills the
// counts (any may be null): delivered, kept (still waiting afterwards) and
// busy (held by another sender that is delivering them). Returns 1 when it
// ran; 0 when nothing could be done, with the reason in `problem` (a buffer
// of `problemChars` characters, cut to fit; may be null), and in the log.
extern "C" int __cdecl MailSvr_FlushOutbox(int* delivered, int* kept, int* busy, wchar_t* problem, int problemChars) {
    StayLoaded();
    if (problem != nullptr && problemChars > 0) problem[0] = L'\0';
    try {
        const relay::FlushCounts counts = relay::FlushOutbox(relay::SettingsFilesOf(ThisModule()));
        if (delivered) *delivered = counts.delivered;
        if (kept) *kept = counts.kept;
        if (busy) *busy = counts.busy;
        if (counts.problem.empty()) return 1;
        if (problem != nullptr && problemChars > 0) {
            const std::wstring text = email32::base::FromUtf8(counts.problem);
            const size_t length = std::min(text.size(), static_cast<size_t>(problemChars - 1));
            text.copy(problem, length);
            problem[length] = L'\0';
        }
        return 0;
    } catch (...) {
        return 0;
    }
}

// Stores the password (or token) for the account in the Windows Credential
// Manager, where the plug-in looks for it: target "Relay32:" + host, user
// name `user`. Returns 1 when stored; 0 with nothing stored.
extern "C" int __cdecl MailSvr_StorePassword(const wchar_t* host, const wchar_t* user, const wchar_t* password) {
    if (host == nullptr || *host == L'\0' || user == nullptr || password == nullptr) return 0;
    try {
        std::string problem;
        return relay::StoreSecret(email32::base::Utf8(host), email32::base::Utf8(user), password, problem) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}
