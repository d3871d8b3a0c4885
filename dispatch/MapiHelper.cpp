#include "dispatch/MapiHelper.h"

#include "dispatch/MapiRequest.h"
#include "dispatch/SendFolders.h"
#include "base/LoadableLibrary.h"
#include "base/MapiLibrary.h"
#include "base/Text.h"
#include "base/Win32Handles.h"

#include <windows.h>

#include <optional>

namespace email32::dispatch {
namespace {

// The request's folder and file, removed however the send ends.
class RequestFile {
public:
    explicit RequestFile(std::wstring folder) : m_folder(std::move(folder)), m_path(m_folder + L"request.txt") {}
    ~RequestFile() {
        ::DeleteFileW(m_path.c_str());
        ::RemoveDirectoryW(m_folder.c_str());
    }
    RequestFile(const RequestFile&) = delete;
    RequestFile& operator=(const RequestFile&) = delete;

    [[nodiscard]] const std::wstring& path() const noexcept { return m_path; }

    // The folder is new and ours; a file already there is refused.
    [[nodiscard]] bool Write(const std::string& data) const {
        base::AutoCloseHandle file(
            ::CreateFileW(m_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        DWORD written = 0;
        return ::WriteFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
               written == data.size();
    }

private:
    std::wstring m_folder;
    std::wstring m_path;
};

MapiRequest RequestOf(const SendRequest& send, const std::string& library) {
    MapiRequest request;
    request.library = base::Utf8(base::LocateLibrary(library));
    // The window the user works in when the send starts: the provider's
    // windows open over it, as they would in this process.
    request.window = reinterpret_cast<std::uintptr_t>(::GetActiveWindow());
    request.subject = base::Utf8(send.fields.subject);
    request.text = base::Utf8(send.fields.body);
    for (const message::Mailbox& to : send.recipients.to) request.recipients.push_back({false, to.name, to.address});
    for (const message::Mailbox& cc : send.recipients.cc) request.recipients.push_back({true, cc.name, cc.address});
    for (const SendFile& file : send.files) request.files.push_back(base::Utf8(file.path));
    return request;
}

// Waits for the helper while the messages of this thread's windows are
// handled: a provider's window owned by the caller's sends it messages and
// would otherwise wait for an answer that never comes.
DWORD WaitForExit(HANDLE process) {
    for (;;) {
        const DWORD woken = ::MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT);
        if (woken != WAIT_OBJECT_0 + 1) break;
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    DWORD code = 0;
    if (!::GetExitCodeProcess(process, &code)) return 2;  // MAPI_E_FAILURE
    return code;
}

MapiResult Unreached(std::string problem) { return {MapiOutcome::kUnreached, std::move(problem), 2}; }

}  // namespace

MapiResult MapiSendThroughHelper(const SendRequest& request, const std::string& library) {
    const std::wstring helper = base::MapiHelperPath();
    const std::string helperName = base::Utf8(base::kMapiHelperName);
    if (helper.empty()) return Unreached(helperName + " is not beside the module");
    const std::optional<std::wstring> folder = NewSendFolder(request.appDataFolder, L"Mapi", L"request.txt");
    if (!folder) return Unreached("no folder for the request of " + helperName + " can be made");
    const RequestFile file(*folder);
    if (!file.Write(WriteMapiRequest(RequestOf(request, library)))) {
        return Unreached("the request of " + helperName + " cannot be written");
    }
    // The program is named by its full path, never searched for; the
    // command line only repeats it for the helper's own arguments.
    std::wstring commandLine = L"\"" + helper + L"\" \"" + file.path() + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!::CreateProcessW(helper.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &started)) {
        return Unreached(helperName + " did not start (error " + std::to_string(::GetLastError()) + ")");
    }
    const base::AutoCloseHandle process(started.hProcess);
    const base::AutoCloseHandle thread(started.hThread);
    // The provider's windows may come to the front, as the caller's would.
    ::AllowSetForegroundWindow(started.dwProcessId);
    const DWORD code = WaitForExit(process.get());
    if (code == 0) return {MapiOutcome::kSent, std::string(), 0};
    const std::string problem = helperName + " with " + library + " reported " + MapiResultName(code);
    return {code == kMapiUserAbort ? MapiOutcome::kCancelled : MapiOutcome::kNotSent, problem, code};
}

}  // namespace email32::dispatch
