// Link type 11: one draft message, an Internet message file marked
// "X-Unsent: 1" with the files attached, which mail programs open in their
// compose window. The mail program of the catalogue entry is started with
// it; an entry without "ExeName" opens it with the user's program for
// message files.
#include "dispatch/Links.h"

#include "dispatch/CommandLine.h"
#include "dispatch/SendFolders.h"
#include "message/MimeMessage.h"
#include "base/Win32Handles.h"
#include "base/Path.h"
#include "base/Text.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

namespace email32::dispatch {
namespace {

// "CommandOption" is read into 255 bytes, as for the command-line link.
constexpr std::size_t kOptionBuffer = 255;
// Enough of the subject to know the file by; the path stays well inside
// what every mail program opens.
constexpr std::size_t kLongestName = 50;

bool IsDeviceName(const std::wstring& stem) {
    static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"COM", L"LPT"};
    const std::wstring base = stem.substr(0, stem.find(L'.'));
    for (const wchar_t* device : kDevices) {
        const std::size_t length = ::lstrlenW(device);
        if (base.size() >= length &&
            ::CompareStringOrdinal(base.c_str(), static_cast<int>(length), device, static_cast<int>(length), TRUE) ==
                CSTR_EQUAL &&
            (base.size() == length || (base.size() == length + 1 && base[length] >= L'0' && base[length] <= L'9'))) {
            return true;
        }
    }
    return false;
}

// The draft's file name without ".eml": the subject, else the first file's
// name, made fit for a file name; "Message" when neither gives one.
std::wstring DraftName(const SendRequest& request) {
    std::wstring name = request.fields.subject;
    if (name.empty() && !request.files.empty()) {
        name = base::StemOf(request.files.front().path);
    }
    for (wchar_t& c : name) {
        // Not a character a file name cannot hold, nor "%", which cmd.exe
        // would expand when a batch program is given the path.
        if (c < L' ' || std::wstring(L"\\/:*?\"<>|%").find(c) != std::wstring::npos) c = L'_';
    }
    if (name.size() > kLongestName) name.resize(kLongestName);
    // Windows drops trailing dots and blanks, and reserves device names.
    while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) name.pop_back();
    while (!name.empty() && name.front() == L' ') name.erase(0, 1);
    if (name.empty()) return L"Message";
    return IsDeviceName(name) ? name + L"_" : name;
}

// Writes the draft into a folder of its own; the reason when it cannot.
std::string WriteDraft(const SendRequest& request, std::wstring& path) {
    const std::optional<std::wstring> folder = NewSendFolder(request.appDataFolder, L"Draft-", L"*.eml");
    if (!folder)
        return "no folder for the draft can be made in " + base::Utf8(UserTemporaryFolder(request.appDataFolder));
    path = *folder + DraftName(request) + L".eml";
    message::MessageHeaders headers;
    headers.draft = true;
    headers.to = request.recipients.to;
    headers.cc = request.recipients.cc;
    headers.subject = base::Utf8(request.fields.subject);
    headers.date = message::MessageDateNow();
    std::vector<message::AttachmentFile> attachments;
    for (const SendFile& file : request.files) attachments.push_back({file.path, base::Utf8(base::NameOf(file.path))});

    std::string problem;
    {
        base::AutoCloseHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (file &&
            message::WriteMessageToFile(file.get(), headers, base::Utf8(request.fields.body), attachments, problem)) {
            return std::string();
        }
    }
    ::DeleteFileW(path.c_str());
    ::RemoveDirectoryW(folder->c_str());
    return problem.empty() ? "the draft " + base::Utf8(path) + " cannot be written" : problem + "; no draft made";
}

// The user's program for message files, as Explorer would open the draft.
bool OpenWithFileTypeHandler(const std::wstring& path) {
    // Handlers may use COM; the caller's thread keeps its own apartment.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = path.c_str();
    info.nShow = SW_SHOWNORMAL;
    const BOOL opened = ::ShellExecuteExW(&info);
    const DWORD error = ::GetLastError();
    if (SUCCEEDED(com)) ::CoUninitialize();
    ::SetLastError(error);
    return opened != FALSE;
}

}  // namespace

Handover SendByDraft(const SendRequest& request) {
    const bool useHandler = request.entry.Text("ExeName").empty();
    const std::wstring program = base::Widen(request.programPath);
    const ArgumentWriter writer(program, true);
    // Checked before the draft is written, so that nothing is left behind.
    if (!useHandler && !writer.programAccepted()) {
        return Handover::Refused("cmd.exe would act on a character of " + request.programPath);
    }

    std::wstring path;
    const std::string problem = WriteDraft(request, path);
    if (!problem.empty()) return Handover::Refused(problem);
    // The draft's path, quoted, after the option.
    const std::optional<std::wstring> argument = writer.Quoted(path);
    const std::wstring option = base::Widen(request.entry.Text("CommandOption", kOptionBuffer));
    const bool started =
        useHandler ? OpenWithFileTypeHandler(path) : argument && StartProgram(program, option + *argument);
    if (started) return Handover::HandedOver();
    const DWORD error = ::GetLastError();
    // The files are where they were; the draft nobody opened goes.
    ::DeleteFileW(path.c_str());
    ::RemoveDirectoryW(base::FolderOf(path).c_str());
    if (useHandler) {
        return Handover::Failed("no program opens " + base::Utf8(path) + " (" + WindowsErrorText(error) + ")");
    }
    if (!argument) return Handover::Refused("cmd.exe would act on a character of " + base::Utf8(path));
    return Handover::Failed(ProgramNotStarted(request.programPath, error));
}

}  // namespace email32::dispatch
