// email32 relay-password HOST USER: reads the password (or OAuth token) as
// one line from standard input and stores it where Relay32.dll beside the
// host looks for it, the Windows Credential Manager (target "Relay32:HOST").
// The password never goes on a command line or into Relay32.ini.
#include "tools/email32/Command.h"
#include "tools/email32/PlugIn.h"

#include "base/Win32Handles.h"
#include "base/Text.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <optional>

namespace {

using StorePasswordFn = int(__cdecl*)(const wchar_t*, const wchar_t*, const wchar_t*);

void Wipe(std::wstring& text) {
    if (!text.empty()) ::SecureZeroMemory(text.data(), text.size() * sizeof(wchar_t));
    text.clear();
}

// One line: typed without echo at a console, else read from the pipe or file
// as UTF-8 (or, when it is not UTF-8, in the ANSI code page).
std::wstring ReadSecretLine(const std::wstring& prompt) {
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    std::wstring line;
    DWORD mode = 0;
    if (::GetConsoleMode(input, &mode)) {
        std::fwprintf(stderr, L"%ls", prompt.c_str());
        ::SetConsoleMode(input, mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
        wchar_t c = 0;
        DWORD got = 0;
        while (::ReadConsoleW(input, &c, 1, &got, nullptr) && got == 1 && c != L'\n') line += c;
        ::SetConsoleMode(input, mode);
        std::fwprintf(stderr, L"\n");
    } else {
        std::string bytes;
        char c = 0;
        DWORD got = 0;
        while (::ReadFile(input, &c, 1, &got, nullptr) && got == 1 && c != '\n') bytes += c;
        // UTF-8 when the bytes are that, else the ANSI code page's.
        std::optional<std::wstring> utf8 = email32::base::WidenExact(bytes, CP_UTF8);
        line = utf8 ? std::move(*utf8) : email32::base::Widen(bytes);
        if (!bytes.empty()) ::SecureZeroMemory(bytes.data(), bytes.size());
    }
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    return line;
}

int RunRelayPassword(const email32::host::Arguments& arguments) {
    // The wide command line keeps names outside the ANSI code page.
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (arguments.size() != 2 || wide == nullptr || count != 4) {
        if (wide) ::LocalFree(wide);
        std::fprintf(stderr,
                     "usage: email32 relay-password HOST USER   (the password as one line on standard input)\n");
        return 64;
    }
    const std::wstring host = wide[2], user = wide[3];
    ::LocalFree(wide);
    const email32::base::AutoLibrary plugin(email32::host::LoadPlugIn());
    const auto store = email32::base::ProcAddress<StorePasswordFn>(plugin.get(), "MailSvr_StorePassword");
    if (!store) {
        std::fprintf(stderr, "email32: no Relay32.dll with MailSvr_StorePassword in the host folder\n");
        return 1;
    }
    std::wstring password = ReadSecretLine(L"password for " + user + L" at " + host + L": ");
    if (password.empty()) {
        std::fprintf(stderr, "email32: no password on standard input; nothing stored\n");
        return 1;
    }
    const bool stored = store(host.c_str(), user.c_str(), password.c_str()) != 0;
    Wipe(password);
    if (!stored) {
        std::fprintf(stderr, "email32: the Credential Manager did not take the password\n");
        return 1;
    }
    std::printf("stored the password for %s at %s\n", arguments[1].c_str(), arguments[0].c_str());
    return 0;
}

}  // namespace

EMAIL32_COMMAND("relay-password",
                "relay-password HOST USER   store the password (one line on standard input) for Relay32.dll",
                RunRelayPassword);
