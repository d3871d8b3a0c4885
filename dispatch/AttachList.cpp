#include "dispatch/AttachList.h"

#include "dispatch/SendFolders.h"
#include "base/Win32Handles.h"

#include <windows.h>

namespace email32::dispatch {

std::optional<std::wstring> NewAttachListPath(const std::string& appDataFolder) {
    const std::optional<std::wstring> folder = NewSendFolder(appDataFolder, L"Attach-", L"Attach.lst");
    if (!folder) return std::nullopt;
    return *folder + L"Attach.lst";
}

bool WriteAttachList(const std::vector<std::string>& lines, const std::wstring& listPath) {
    base::AutoCloseHandle file(
        ::CreateFileW(listPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    DWORD written = 0;
    return ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

}  // namespace email32::dispatch
