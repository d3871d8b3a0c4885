// Link type 1: the mail program started with a command line built from its
// installed path, the catalogue's option and the files.
#include "dispatch/CommandLineLink.h"

#include "dispatch/AttachList.h"
#include "dispatch/CommandLine.h"
#include "base/IniFile.h"

#include <cstdlib>

namespace email32 {
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

// Drive and folder (with its trailing backslash), and name with extension.
void SplitFile(const std::wstring& path, std::wstring& folder, std::wstring& name) {
    const std::size_t slash = path.find_last_of(L"\\/:");
    folder = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
    name = slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// Files whose quoting the catalogue leaves on: "QuoteFiles" missing or not 0.
bool QuoteFiles(const SendRequest& request) {
    const std::string value = request.entry.Text("QuoteFiles");
    return value.empty() || std::atoi(value.c_str()) != 0;
}

// All files in one compose argument: the option's last word takes the
// comma-joined URLs in single quotes, and the whole word is quoted, so
// "-compose attachment=" gives -compose "attachment='file:///...,file:///...'".
bool PlanFileUrls(const SendRequest& request, const std::wstring& option, const ArgumentWriter& writer,
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
    const std::optional<std::wstring> argument = writer.Quoted(word + L"'" + urls + L"'");
    if (!argument) return false;
    starts.push_back({head + *argument, {}});
    return true;
}

// One process given the short path of a list of every file, written for
// this send alone.
bool PlanAttachList(const SendRequest& request, const std::wstring& option, const ArgumentWriter& writer,
                    Starts& starts) {
    std::vector<std::string> lines;
    for (const SendFile& file : request.files) {
        const std::optional<std::string> name = AnsiName(file);
        if (!name) return false;  // the list's code page cannot name it
        lines.push_back(*name);
    }
    const std::optional<std::wstring> listPath = NewAttachListPath(request.appDataFolder);
    if (!listPath || !WriteAttachList(lines, *listPath)) return false;
    const std::optional<std::wstring> argument = writer.File(ShortPath(*listPath).value_or(*listPath));
    if (!argument) return false;
    starts.push_back({option + *argument, {}});
    return true;
}

// The processes to start, all checked before the first one starts; false
// when the send must start nothing.
bool PlanStarts(const SendRequest& request, int fileList, bool multiplePage, const std::wstring& option,
                const ArgumentWriter& writer, Starts& starts) {
    const SendFiles& files = request.files;
    if (multiplePage && fileList == kFileUrls) return PlanFileUrls(request, option, writer, starts);
    if (files.size() == 1 || !multiplePage) {
        // Only the first file when the program takes one at a time.
        const std::optional<std::wstring> argument = writer.File(files.front().path);
        if (!argument) return false;
        starts.push_back({option + *argument, {}});
        return true;
    }
    switch (fileList) {
    case kProcessPerFile:
    case kProcessPerFileToo:
        for (const SendFile& file : files) {
            const std::optional<std::wstring> argument = writer.File(file.path);
            if (!argument) return false;
            starts.push_back({option + L" " + *argument, {}});
        }
        return true;
    case kAttachList: return PlanAttachList(request, option, writer, starts);
    case kBareNamesInFolder: {
        // The last file's folder wins; the process starts there rather than
        // the host's current folder moving.
        Start start{option, {}};
        for (const SendFile& file : files) {
            std::wstring name;
            SplitFile(file.path, start.folder, name);
            const std::optional<std::wstring> argument = writer.File(name);
            if (!argument) return false;
            start.arguments += L" " + *argument;
        }
        starts.push_back(std::move(start));
        return true;
    }
    default: return true;  // an unknown way starts nothing and still succeeds
    }
}

}  // namespace

bool SendByCommandLine(const SendRequest& request) {
    const bool multiplePage = request.entry.Int("MultiplePage") != 0;
    if (request.files.empty()) return false;
    const int fileList = multiplePage ? request.entry.Int("CommandFileList") : 0;
    const std::string option = request.entry.Text("CommandOption", kOptionBuffer);
    if (option.empty()) return false;

    const std::wstring program = WidenAnsi(request.programPath);
    const ArgumentWriter writer(program, QuoteFiles(request));
    if (!writer.programAccepted()) return false;
    Starts starts;
    if (!PlanStarts(request, fileList, multiplePage, WidenAnsi(option), writer, starts)) return false;
    // Whether the mail program really starts is not the link's to report.
    for (const Start& start : starts) (void)StartProgram(program, start.arguments, start.folder);
    return true;
}

}  // namespace email32
