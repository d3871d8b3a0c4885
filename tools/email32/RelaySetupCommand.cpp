// email32 relay-setup ADDRESS [--write]: the outgoing-server settings that
// Relay32.dll beside the host finds for an address, as one line
// "host H port P security S auth A source X"; --write saves them in the
// per-user Relay32.ini.
// email32 relay-setup --dialog: the plug-in's account dialog.
// email32 relay-signin ADDRESS [--device]: signs the account in with its
// provider, through the browser or the device flow.
#include "tools/email32/Command.h"
#include "tools/email32/PlugIn.h"

#include "base/Win32Handles.h"
#include "base/Text.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using FindSettingsFn = int(__cdecl*)(const wchar_t*, int, wchar_t*, int);
using NoticeFn = void(__cdecl*)(const wchar_t*, void*);
using SignInFn = int(__cdecl*)(const wchar_t*, int, NoticeFn, void*, wchar_t*, int);
using ConfigureFn = int(__cdecl*)(HWND);

// The wide arguments after the command name: addresses outside the ANSI
// code page arrive whole.
std::vector<std::wstring> WideArguments() {
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::wstring> arguments;
    for (int i = 2; wide != nullptr && i < count; ++i) arguments.emplace_back(wide[i]);
    if (wide) ::LocalFree(wide);
    return arguments;
}

// UTF-8 on standard output, as the plug-in's texts may hold any character.
void PrintLine(const std::wstring& text) {
    std::printf("%s\n", email32::base::Utf8(text).c_str());
    std::fflush(stdout);
}

template <typename Fn>
Fn Entry(const email32::base::AutoLibrary& plugin, const char* name) {
    const auto entry = email32::base::ProcAddress<Fn>(plugin.get(), name);
    if (!entry) std::fprintf(stderr, "email32: no Relay32.dll with %s in the host folder\n", name);
    return entry;
}

int RunRelaySetup(const email32::host::Arguments& arguments) {
    const std::vector<std::wstring> wide = WideArguments();
    const bool dialog = arguments.size() == 1 && arguments[0] == "--dialog";
    const bool write = arguments.size() == 2 && arguments[1] == "--write";
    if (wide.size() != arguments.size() || arguments.empty() || (arguments.size() == 2 && !write) ||
        arguments.size() > 2 || (!dialog && arguments[0].rfind("--", 0) == 0)) {
        std::fprintf(stderr, "usage: email32 relay-setup ADDRESS [--write] | email32 relay-setup --dialog\n");
        return 64;
    }
    const email32::base::AutoLibrary plugin(email32::host::LoadPlugIn());
    if (dialog) {
        const auto configure = Entry<ConfigureFn>(plugin, "MailSvr_Configure");
        if (!configure) return 1;
        const bool saved = configure(nullptr) != 0;
        std::printf(saved ? "saved\n" : "cancelled\n");
        return saved ? 0 : 1;
    }
    const auto find = Entry<FindSettingsFn>(plugin, "MailSvr_FindSettings");
    if (!find) return 1;
    std::vector<wchar_t> line(4096);
    const bool found = find(wide[0].c_str(), write ? 1 : 0, line.data(), static_cast<int>(line.size())) != 0;
    if (found) PrintLine(line.data());
    else std::fprintf(stderr, "email32: %ls\n", line.data());
    return found ? 0 : 1;
}

void __cdecl ShowNotice(const wchar_t* text, void*) { PrintLine(text); }

int RunRelaySignIn(const email32::host::Arguments& arguments) {
    const std::vector<std::wstring> wide = WideArguments();
    const bool device = arguments.size() == 2 && arguments[1] == "--device";
    if (wide.size() != arguments.size() || arguments.empty() || arguments.size() > 2 ||
        (arguments.size() == 2 && !device) || arguments[0].rfind("--", 0) == 0) {
        std::fprintf(stderr, "usage: email32 relay-signin ADDRESS [--device]\n");
        return 64;
    }
    const email32::base::AutoLibrary plugin(email32::host::LoadPlugIn());
    const auto signIn = Entry<SignInFn>(plugin, "MailSvr_SignIn");
    if (!signIn) return 1;
    std::vector<wchar_t> message(2048);
    const bool signedIn = signIn(wide[0].c_str(), device ? 1 : 0, ShowNotice, nullptr, message.data(),
                                 static_cast<int>(message.size())) != 0;
    if (signedIn) PrintLine(message.data());
    else std::fprintf(stderr, "email32: %ls\n", message.data());
    return signedIn ? 0 : 1;
}

}  // namespace

EMAIL32_COMMAND("relay-setup",
                "relay-setup ADDRESS [--write] | --dialog   find (and save) the mail server settings for an address",
                RunRelaySetup);
EMAIL32_COMMAND("relay-signin", "relay-signin ADDRESS [--device]   sign the account in with its provider (OAuth)",
                RunRelaySignIn);
