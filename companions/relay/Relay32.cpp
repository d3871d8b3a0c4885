// "Relay32.dll": the mail-server plug-in that the module's link type 7 loads
// from the host's folder.
#include "companions/relay/MailRelay.h"
#include "companions/relay/RelaySettings.h"

#include <windows.h>

namespace {

HMODULE ThisModule() noexcept {
    HMODULE module = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

}  // namespace

// one: always 1 from the module; not looked at.
// shortPaths: the files' short paths joined by "^".
// Returns 1 when an SMTP server accepted the message, 2 when it was kept in
// the outbox, 0 when nothing was sent; the module does not look at it.
// cdecl: the caller removes both arguments.
extern "C" int __cdecl MailSvr_SendFiles(int /*one*/, const char* shortPaths) {
    try {
        return static_cast<int>(relay::RelayFiles(shortPaths, relay::SettingsPathBeside(ThisModule())));
    } catch (...) {
        // Out of memory for the message: nothing can be done, and no
        // exception may cross into the caller.
        return static_cast<int>(relay::RelayResult::NothingSent);
    }
}
