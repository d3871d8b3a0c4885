// email32 relay FILE...: hands the files to the mail-server plug-in beside the
// host the way the module's mail-server link does (short paths joined by "^"),
// so that a Relay32.ini can be tried without a catalogue.
// email32 relay --flush: delivers what the plug-in's outbox holds.
// email32 relay --list | --remove FILE: what waits there, and the removal of
// one message.
#include "tools/email32/Command.h"
#include "tools/email32/PlugIn.h"
#include "tools/email32/RelayOutboxCommand.h"

#include "base/Win32Handles.h"
#include "base/Path.h"
#include "base/Text.h"

#include <windows.h>

#include <cstdio>

namespace {

using SendFilesFn = int(__cdecl*)(int, const char*);
using FlushOutboxFn = int(__cdecl*)(int*, int*, int*, wchar_t*, int);

int RunRelay(const email32::host::Arguments& arguments) {
    if (arguments.empty() || (arguments[0] == "--remove" && arguments.size() != 2) ||
        (arguments[0] == "--list" && arguments.size() != 1)) {
        std::fprintf(stderr, "usage: email32 relay FILE... | --flush | --list | --remove FILE\n");
        return 64;
    }
    if (arguments[0] == "--list") return email32::host::ListOutbox();
    if (arguments[0] == "--remove") return email32::host::RemoveFromOutbox(arguments[1], 1);
    const email32::base::AutoLibrary plugin(email32::host::LoadPlugIn());
    if (arguments.size() == 1 && arguments[0] == "--flush") {
        const auto flush = email32::base::ProcAddress<FlushOutboxFn>(plugin.get(), "MailSvr_FlushOutbox");
        if (!flush) {
            std::fprintf(stderr, "email32: no Relay32.dll with MailSvr_FlushOutbox in the host folder\n");
            return 1;
        }
        int delivered = 0, kept = 0, busy = 0;
        wchar_t problem[1024] = {};
        const bool ran = flush(&delivered, &kept, &busy, problem, 1024) != 0;
        // Messages another sender is delivering are not this flush's failure.
        std::printf("delivered %d, kept %d, busy %d\n", delivered, kept, busy);
        if (!ran) {
            const std::string text = email32::base::Narrow(problem);
            std::fprintf(stderr, "email32: %s\n", text.empty() ? "the outbox cannot be used" : text.c_str());
            return 1;
        }
        return kept == 0 ? 0 : 1;
    }
    const auto send = email32::base::ProcAddress<SendFilesFn>(plugin.get(), "MailSvr_SendFiles");
    if (!send) {
        std::fprintf(stderr, "email32: no Relay32.dll with MailSvr_SendFiles in the host folder\n");
        return 1;
    }
    std::string joined;
    for (const std::string& file : arguments) {
        if (!joined.empty()) joined += '^';
        joined +=
            email32::base::AnsiPathOf(email32::base::Widen(file), email32::base::AnsiForm::Short, file).value_or(file);
    }
    switch (send(1, joined.c_str())) {
    case 1: std::printf("delivered\n"); return 0;
    case 2: std::printf("kept in the outbox\n"); return 1;
    default: std::printf("nothing sent\n"); return 1;
    }
}

}  // namespace

EMAIL32_COMMAND("relay",
                "relay FILE... | --flush | --list | --remove FILE    send the files through Relay32.dll beside the "
                "host, deliver its outbox, list it, or delete one message of it",
                RunRelay);
