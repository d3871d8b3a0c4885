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
#include <shellapi.h>

#include <memory>
#include <optional>
#include <string>

namespace {

constexpr int kMapiFailure = 2;  // MAPI_E_FAILURE

std::optional<std::string> ReadRequestFile(const wchar_t* path) {
    email32::AutoCloseHandle file(
        ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size = {};
    if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        static_cast<unsigned long long>(size.QuadPart) > email32::kMapiRequestMaxBytes) {
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

int Send(const email32::MapiRequest& request) {
    using namespace email32;
    std::vector<std::wstring> paths;
    for (const std::string& file : request.files) paths.push_back(base::FromUtf8(file));
    SendFiles files;
    for (const std::wstring& path : paths) files.push_back(SendFile{path, base::NarrowExact(path)});
    MessageFields fields;
    fields.subject = base::FromUtf8(request.subject);
    fields.body = base::FromUtf8(request.text);
    Recipients recipients;
    for (const MapiRequestRecipient& r : request.recipients) {
        (r.cc ? recipients.cc : recipients.to).push_back(message::Mailbox{r.name, r.address});
    }
    const MapiResult result = MapiSendFiles(files, base::Narrow(base::FromUtf8(request.library)), fields, recipients,
                                            static_cast<ULONG_PTR>(request.window));
    return static_cast<int>(result.code);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int count = 0;
    const std::unique_ptr<LPWSTR, decltype(&::LocalFree)> arguments(::CommandLineToArgvW(::GetCommandLineW(), &count),
                                                                    &::LocalFree);
    if (!arguments || count != 2) return kMapiFailure;
    const std::optional<std::string> data = ReadRequestFile(arguments.get()[1]);
    if (!data) return kMapiFailure;
    std::string problem;
    const std::optional<email32::MapiRequest> request = email32::ReadMapiRequest(*data, problem);
    if (!request) return kMapiFailure;
    return Send(*request);
}
