// Link type 1: the mail program started with a command line built from its
// installed path, the catalogue's option and the files.
#include "dispatch/CommandLineLink.h"

#include "dispatch/AttachList.h"
#include "dispatch/SendFolders.h"
#include "dispatch/CommandLine.h"
#include "base/IniFile.h"
#include "base/Text.h"
#include "base/Path.h"

#include <windows.h>

#include <cstdlib>

namespace email32::dispatch {
namespace {

// "CommandOption" is read into 255 bytes.
constexpr std::size_t kOptionBuffer = 255;

// One process to start: its arguments after the program path, and the
// folder it starts in (empty: the caller's).
struct Start {
    std::wstring arguments;
    std::wstring folder;
};
using Starts = std::vector<Start>;

// Files whose quoting the catalogue leaves on: "QuoteFiles" missing or not 0.
bool QuoteFiles(const SendRequest& request) {
    const std::string value = request.entry.Text("QuoteFiles");
    return value.empty() || std::atoi(value.c_str()) != 0;
}

// One field of a compose argument. A quoted value ends only at a quote that
// a comma or the argument's end follows, so any other text goes in as it
// is, commas, quotes and line breaks included; a value holding a quote and a
// comma goes unquoted and percent-encoded (UTF-8), which the program decodes.
std::wstring ComposeField(const wchar_t* name, const std::wstring& value) {
    if (value.find(L"',") == std::wstring::npos) return std::wstring(name) + L"='" + value + L"',";
    std::wstring encoded = std::wstring(name) + L"=";
    static const wchar_t kHex[] = L"0123456789ABCDEF";
    for (const char c : base::Utf8(value)) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
            byte == '-' || byte == '_' || byte == '.' || byte == '~') {
            encoded += static_cast<wchar_t>(byte);
        } else {
            encoded += L'%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 15];
        }
    }
    return encoded + L",";
}

// The fields given, each followed by a comma, before the attachments.
std::wstring ComposeFields(const MessageFields& fields) {
    std::wstring text;
    if (!fields.to.empty()) text += ComposeField(L"to", fields.to);
    if (!fields.cc.empty()) text += ComposeField(L"cc", fields.cc);
    if (!fields.subject.empty()) text += ComposeField(L"subject", fields.subject);
    if (!fields.body.empty()) text += ComposeField(L"body", fields.body);
    return text;
}

// All files in one compose argument: the option's last word takes the
// comma-joined URLs in single quotes, and the whole word is quoted, so
// "-compose attachment=" gives -compose "attachment='file:///...,file:///...'".
// The message's fields go before that word in the same argument.
std::string PlanFileUrls(const SendRequest& request, const std::wstring& option, const ArgumentWriter& writer,
                         Starts& starts) {
    std::wstring urls;
    for (const SendFile& file : request.files) {
        if (!urls.empty()) urls += L',';
        urls += FileUrl(file.path);
    }
    std::wstring head = option;
    while (!head.empty() && head.back() == L' ') head.pop_back();
    const std::size_t blank = head.find_last_of(L' ');
    const std::wstring word = blank == std::wstring::npos ? head : head.substr(blank + 1);
    head = blank == std::wstring::npos ? std::wstring() : head.substr(0, blank + 1);
    const std::optional<std::wstring> argument =
        writer.Quoted(ComposeFields(request.fields) + word + L"'" + urls + L"'");
    if (!argument) return "cmd.exe would act on a character of the files or fields for " + request.programPath;
    starts.push_back({head + *argument, {}});
    return std::string();
}

std::string NotForBatch(const SendFile& file) {
    return "cmd.exe would act on a character of " + base::Utf8(file.path) + ", so no batch program is given it";
}

// One process given the short path of a list of every file, written for
// this send alone.
std::string PlanAttachList(const SendRequest& request, const std::wstring& option, const ArgumentWriter& writer,
                           Starts& starts) {
    std::vector<std::string> lines;
    for (const SendFile& file : request.files) {
        const std::optional<std::string> name = base::AnsiPathOf(file.path, base::AnsiForm::AsGiven, file.ansi);
        if (!name) return "the ANSI code page of Attach.lst cannot name " + base::Utf8(file.path);
        lines.push_back(*name);
    }
    const std::optional<std::wstring> listPath = NewAttachListPath(request.appDataFolder);
    if (!listPath || !WriteAttachList(lines, *listPath)) {
        return "Attach.lst cannot be written under " + base::Utf8(UserTemporaryFolder(request.appDataFolder));
    }
    const std::optional<std::wstring> argument = writer.File(base::ShortPath(*listPath).value_or(*listPath));
    if (!argument) return "cmd.exe would act on a character of " + base::Utf8(*listPath);
    starts.push_back({option + *argument, {}});
    return std::string();
}

// The processes to start, all checked before the first one starts; the
// reason when the send must start nothing.
std::string PlanStarts(const SendRequest& request, int fileList, bool multiplePage, const std::wstring& option,
                       const ArgumentWriter& writer, Starts& starts) {
    const SendFiles& files = request.files;
    if (multiplePage && fileList == kFileUrls) return PlanFileUrls(request, option, writer, starts);
    if (files.size() == 1 || !multiplePage) {
        // Only the first file when the program takes one at a time.
        const std::optional<std::wstring> argument = writer.File(files.front().path);
        if (!argument) return NotForBatch(files.front());
        starts.push_back({option + *argument, {}});
        return std::string();
    }
    switch (fileList) {
    case kProcessPerFile:
    case kProcessPerFileToo:
        for (const SendFile& file : files) {
            const std::optional<std::wstring> argument = writer.File(file.path);
            if (!argument) return NotForBatch(file);
            starts.push_back({option + L" " + *argument, {}});
        }
        return std::string();
    case kAttachList: return PlanAttachList(request, option, writer, starts);
    case kBareNamesInFolder: {
        // The last file's folder wins; the process starts there rather than
        // the host's current folder moving.
        Start start{option, {}};
        for (const SendFile& file : files) {
            start.folder = base::FolderOf(file.path);
            const std::optional<std::wstring> argument = writer.File(base::NameOf(file.path));
            if (!argument) return NotForBatch(file);
            start.arguments += L" " + *argument;
        }
        starts.push_back(std::move(start));
        return std::string();
    }
    default: return std::string();  // an unknown way starts nothing and still succeeds
    }
}

}  // namespace

Handover SendByCommandLine(const SendRequest& request) {
    const bool multiplePage = request.entry.Int("MultiplePage") != 0;
    const std::string& key = request.entry.SystemKey();
    if (request.files.empty()) return Handover::Refused("no file to hand to " + key);
    const int fileList = multiplePage ? request.entry.Int("CommandFileList") : 0;
    const std::string option = request.entry.Text("CommandOption", kOptionBuffer);
    if (option.empty()) return Handover::Refused("CommandOption of " + key + " is empty");

    const std::wstring program = base::Widen(request.programPath);
    const ArgumentWriter writer(program, QuoteFiles(request));
    if (!writer.programAccepted())
        return Handover::Refused("cmd.exe would act on a character of " + request.programPath);
    Starts starts;
    const std::string problem = PlanStarts(request, fileList, multiplePage, base::Widen(option), writer, starts);
    if (!problem.empty()) return Handover::Refused(problem);
    // Every process is started even when one fails, as the catalogue asks.
    std::string failure;
    for (const Start& start : starts) {
        if (!StartProgram(program, start.arguments, start.folder) && failure.empty()) {
            failure = ProgramNotStarted(request.programPath, ::GetLastError());
        }
    }
    return failure.empty() ? Handover::HandedOver() : Handover::Failed(failure);
}

}  // namespace email32::dispatch
