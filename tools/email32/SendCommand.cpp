// email32 send [--system KEY] [--to ADDRESSES] [--cc ADDRESSES]
//              [--subject TEXT] [--body TEXT] FILE...:
// hand files to an installed e-mail system (the default one without
// --system), as stored by the last detection; with recipients, a subject or
// a text, through the C interface's Email32SendMessageW, which says why a
// send was not handed over.
#include "tools/email32/Command.h"

#include "public/EmailComponent.h"
#include "public/email32.h"
#include "base/Text.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <memory>

namespace {

struct SendArguments {
    std::size_t system = 0;  // the index of each option's value, 0 when not given
    std::size_t to = 0;
    std::size_t cc = 0;
    std::size_t subject = 0;
    std::size_t body = 0;
    std::vector<std::size_t> files;
};

SendArguments Parse(const email32::host::Arguments& arguments) {
    SendArguments parsed;
    const std::pair<const char*, std::size_t SendArguments::*> options[] = {{"--system", &SendArguments::system},
                                                                            {"--to", &SendArguments::to},
                                                                            {"--cc", &SendArguments::cc},
                                                                            {"--subject", &SendArguments::subject},
                                                                            {"--body", &SendArguments::body}};
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        bool option = false;
        // Options come before the files; after the first file every argument is a file.
        for (const auto& [name, member] : options) {
            if (parsed.files.empty() && arguments[i] == name && i + 1 < arguments.size()) {
                parsed.*member = ++i;
                option = true;
                break;
            }
        }
        if (!option) parsed.files.push_back(i);
    }
    return parsed;
}

// The arguments after the command as UTF-16, so that a subject or text is
// not limited to the ANSI code page; from the narrow ones when the wide
// command line splits differently.
std::vector<std::wstring> WideArguments(const email32::host::Arguments& arguments) {
    int count = 0;
    const std::unique_ptr<LPWSTR, decltype(&::LocalFree)> wide(::CommandLineToArgvW(::GetCommandLineW(), &count),
                                                               &::LocalFree);
    std::vector<std::wstring> result;
    if (wide && static_cast<std::size_t>(count) == arguments.size() + 2) {
        for (int i = 2; i < count; ++i) result.emplace_back(wide.get()[i]);
        return result;
    }
    for (const std::string& argument : arguments) result.push_back(email32::base::Widen(argument));
    return result;
}

int SendMessageFields(const email32::host::Arguments& arguments, const SendArguments& parsed) {
    const std::vector<std::wstring> wide = WideArguments(arguments);
    const auto field = [&](std::size_t index) { return index ? wide[index].c_str() : nullptr; };
    Email32MessageW message = {field(parsed.to), field(parsed.cc), field(parsed.subject), field(parsed.body)};
    std::vector<const wchar_t*> files;
    for (const std::size_t index : parsed.files) files.push_back(wide[index].c_str());
    Email32Context* context = Email32Open(0);
    if (context == nullptr) return email32::host::kModuleExceptionStatus;
    const int result =
        Email32SendMessageW(context, field(parsed.system), &message, files.data(), static_cast<int>(files.size()));
    char reason[2048] = {};
    (void)Email32LastErrorA(context, reason, sizeof reason);
    Email32Close(context);
    if (reason[0] != '\0') std::fprintf(stderr, "email32: %s\n", reason);
    switch (result) {
    case EMAIL32_OK: std::printf("handed over\n"); return 0;
    case EMAIL32_CANCELLED: std::printf("cancelled\n"); return 1;
    case EMAIL32_NOT_HANDED_OVER: std::printf("not handed over\n"); return 1;
    case EMAIL32_BAD_ARGUMENT: return 64;
    default: return email32::host::kModuleExceptionStatus;
    }
}

int RunSend(const email32::host::Arguments& arguments) {
    const SendArguments parsed = Parse(arguments);
    if (parsed.to || parsed.cc || parsed.subject || parsed.body) return SendMessageFields(arguments, parsed);
    const std::string systemKey = parsed.system ? arguments[parsed.system] : std::string();
    std::vector<std::string> files;
    for (const std::size_t index : parsed.files) files.push_back(arguments[index]);
    EmailComponent component(false);
    component.InitEmailSysDB(false);
    const bool handedOver = component.SendMail(files, systemKey);
    std::printf("%s\n", handedOver ? "handed over" : "not handed over");
    return handedOver ? 0 : 1;
}

}  // namespace

EMAIL32_COMMAND("send",
                "send [--system KEY] [--to ADDRESSES] [--cc ADDRESSES] [--subject TEXT] [--body TEXT] FILE...\n"
                "      hand the files to an installed system (default: the default one), with the message's fields",
                RunSend);
