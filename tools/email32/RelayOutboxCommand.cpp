// email32 relay --list: the messages in the plug-in's outbox, one line each,
// tab-separated: file, date, size in bytes, recipients, last reason.
// email32 relay --remove FILE: deletes one of them.
#include "tools/email32/RelayOutboxCommand.h"

#include "tools/email32/PlugIn.h"

#include "base/Text.h"
#include "base/Win32Handles.h"
#include "public/relay32.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace email32::host {
namespace {

std::string Utf8(const wchar_t* text) { return text ? base::Utf8(text) : std::string(); }

// Local time, as the person listing reads it.
std::string When(const FILETIME& written) {
    FILETIME local{};
    SYSTEMTIME time{};
    if (!::FileTimeToLocalFileTime(&written, &local) || !::FileTimeToSystemTime(&local, &time)) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", unsigned(time.wYear), unsigned(time.wMonth),
                  unsigned(time.wDay), unsigned(time.wHour), unsigned(time.wMinute), unsigned(time.wSecond));
    return text;
}

// Tabs and line ends inside a field would split it.
std::string Field(std::string text) {
    for (char& c : text) {
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    }
    return text;
}

int __cdecl PrintMessage(const MailSvrOutboxMessageW* message, void*) {
    const std::string reason =
        message->lastReason && *message->lastReason ? Utf8(message->lastReason) : std::string("not tried yet");
    std::printf("%s\t%s\t%llu\t%s\t%s\n", Field(Utf8(message->file)).c_str(), When(message->written).c_str(),
                static_cast<unsigned long long>(message->bytes), Field(Utf8(message->recipients)).c_str(),
                Field(reason).c_str());
    return 1;
}

// The argument after "--remove" as the command line gave it, whatever the
// code page.
std::wstring WideArgument(size_t index) {
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::wstring argument;
    if (wide != nullptr && static_cast<size_t>(count) > index + 2) argument = wide[index + 2];
    if (wide) ::LocalFree(wide);
    return argument;
}

}  // namespace

int ListOutbox() {
    const base::AutoLibrary plugin(LoadPlugIn());
    const auto list = base::ProcAddress<MailSvr_ListOutbox_Fn>(plugin.get(), "MailSvr_ListOutbox");
    if (!list) {
        std::fprintf(stderr, "email32: no Relay32.dll with MailSvr_ListOutbox in the host folder\n");
        return 1;
    }
    if (list(PrintMessage, nullptr) < 0) {
        std::fprintf(stderr, "email32: the outbox cannot be read\n");
        return 1;
    }
    return 0;
}

int RemoveFromOutbox(const std::string& file, size_t argumentIndex) {
    const base::AutoLibrary plugin(LoadPlugIn());
    const auto remove = base::ProcAddress<MailSvr_RemoveOutboxMessage_Fn>(plugin.get(), "MailSvr_RemoveOutboxMessage");
    if (!remove) {
        std::fprintf(stderr, "email32: no Relay32.dll with MailSvr_RemoveOutboxMessage in the host folder\n");
        return 1;
    }
    switch (remove(WideArgument(argumentIndex).c_str())) {
    case MAILSVR_REMOVED: std::printf("removed %s\n", file.c_str()); return 0;
    case MAILSVR_NO_SUCH_MESSAGE:
        std::fprintf(stderr, "email32: no message %s in the outbox\n", file.c_str());
        return 1;
    case MAILSVR_BUSY:
        std::fprintf(stderr, "email32: %s is being delivered right now; not removed\n", file.c_str());
        return 1;
    default: std::fprintf(stderr, "email32: %s cannot be deleted\n", file.c_str()); return 1;
    }
}

}  // namespace email32::host
