// email32-mapi64.exe (beside the 32-bit module) and email32-mapi32.exe
// (beside the 64-bit one): the Simple MAPI calls of one send, made in a
// process of the library's own bitness.
//
//   email32-mapi64.exe REQUEST
//
// REQUEST is the file the module wrote for this send (dispatch/MapiRequest.h):
// the library's full path, the caller's window, the message's fields and the
// files. The helper loads that library only, calls it as the module would
// in-process and exits with the Simple MAPI result; a request it cannot read
// makes no call and gives MAPI_E_FAILURE. It writes nothing; the module
// deletes the request.
#include "dispatch/MapiRequest.h"
#include "dispatch/SimpleMapi.h"

#include "base/Text.h"
#include "base/Win32Handles.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr int kMapiFailure = 2;  // MAPI_E_FAILURE

std::optional<std::string> ReadRequestFile(const wchar_t* path) {
    email32::base::AutoCloseHandle file(
        ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size = {};
    if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        static_cast<unsigned long long>(size.QuadPart) > email32::dispatch::kMapiRequestMaxBytes) {
        return std::nullopt;
    }
    std::string data(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!data.empty() && (!::ReadFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &read, nullptr) ||
                          read != data.size())) {
        return std::nullopt;
    }
    return data;
}

// The one argument after the program's own name, as the module writes the
// command line ("HELPER" "REQUEST"): quoted or a single word. Read here
// rather than through the shell's splitter, whose library and the ones it
// loads would add to every send's start.
std::optional<std::wstring> RequestArgument(const wchar_t* commandLine) {
    std::wstring_view rest(commandLine);
    if (!rest.empty() && rest.front() == L'"') {
        const std::size_t end = rest.find(L'"', 1);
        if (end == std::wstring_view::npos) return std::nullopt;
        rest.remove_prefix(end + 1);
    } else {
        rest.remove_prefix(std::min(rest.size(), rest.find_first_of(L" \t")));
    }
    while (!rest.empty() && (rest.front() == L' ' || rest.front() == L'\t')) rest.remove_prefix(1);
    while (!rest.empty() && (rest.back() == L' ' || rest.back() == L'\t')) rest.remove_suffix(1);
    const bool quoted = rest.size() >= 2 && rest.front() == L'"' && rest.back() == L'"';
    if (quoted) rest = rest.substr(1, rest.size() - 2);
    if (rest.empty() || rest.find_first_of(quoted ? L"\"" : L"\" \t") != std::wstring_view::npos) return std::nullopt;
    return std::wstring(rest);
}

int Send(const email32::dispatch::MapiRequest& request) {
    using namespace email32;
    std::vector<std::wstring> paths;
    for (const std::string& file : request.files) paths.push_back(base::FromUtf8(file));
    email32::dispatch::SendFiles files;
    for (const std::wstring& path : paths) files.push_back(email32::dispatch::SendFile{path, base::NarrowExact(path)});
    email32::dispatch::MessageFields fields;
    fields.subject = base::FromUtf8(request.subject);
    fields.body = base::FromUtf8(request.text);
    email32::dispatch::Recipients recipients;
    for (const email32::dispatch::MapiRequestRecipient& r : request.recipients) {
        (r.cc ? recipients.cc : recipients.to).push_back(message::Mailbox{r.name, r.address});
    }
    const email32::dispatch::MapiResult result =
        email32::dispatch::MapiSendFiles(files, base::Narrow(base::FromUtf8(request.library)), fields, recipients,
                                         static_cast<ULONG_PTR>(request.window));
    return static_cast<int>(result.code);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const std::optional<std::wstring> path = RequestArgument(::GetCommandLineW());
    if (!path) return kMapiFailure;
    const std::optional<std::string> data = ReadRequestFile(path->c_str());
    if (!data) return kMapiFailure;
    std::string problem;
    const std::optional<email32::dispatch::MapiRequest> request = email32::dispatch::ReadMapiRequest(*data, problem);
    if (!request) return kMapiFailure;
    return Send(*request);
}
