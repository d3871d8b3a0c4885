#include "base/ProfileText.h"

#include "base/Text.h"
#include "base/Win32Handles.h"

namespace email32::base {
namespace {

std::wstring SwappedBytes(std::wstring wide) {
    for (wchar_t& c : wide) c = static_cast<wchar_t>(((c & 0xFF) << 8) | ((c >> 8) & 0xFF));
    return wide;
}

}  // namespace

std::optional<ProfileText> LoadProfileText(const std::wstring& file, long long maxBytes) {
    ProfileText loaded;
    AutoCloseHandle handle(::CreateFileW(file.c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) return loaded;
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    LARGE_INTEGER size{};
    if (!::GetFileInformationByHandle(handle.get(), &information) || !::GetFileSizeEx(handle.get(), &size) ||
        size.QuadPart > maxBytes) {
        return std::nullopt;
    }
    loaded.attributes = information.dwFileAttributes;
    loaded.exists = true;
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() && (!::ReadFile(handle.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                           read != bytes.size())) {
        return std::nullopt;
    }
    const auto startsWith = [&bytes](std::string_view mark) { return bytes.compare(0, mark.size(), mark) == 0; };
    if (startsWith("\xFF\xFE") || startsWith("\xFE\xFF")) {
        loaded.encoding = startsWith("\xFF\xFE") ? Encoding::Utf16Le : Encoding::Utf16Be;
        std::wstring wide((bytes.size() - 2) / 2, L'\0');
        for (std::size_t i = 0; i < wide.size(); ++i) {
            wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                           (static_cast<unsigned char>(bytes[3 + 2 * i]) << 8));
        }
        loaded.text = base::Narrow(loaded.encoding == Encoding::Utf16Be ? SwappedBytes(wide) : wide, CP_UTF8);
    } else if (startsWith("\xEF\xBB\xBF")) {
        loaded.encoding = Encoding::Utf8;
        loaded.text = bytes.substr(3);
    } else {
        loaded.text = std::move(bytes);
    }
    return loaded;
}

std::string EncodeProfileText(Encoding encoding, const std::string& text) {
    switch (encoding) {
    case Encoding::Utf8: return "\xEF\xBB\xBF" + text;
    case Encoding::Utf16Le:
    case Encoding::Utf16Be: {
        std::wstring wide = base::Widen(text, CP_UTF8);
        if (encoding == Encoding::Utf16Be) wide = SwappedBytes(std::move(wide));
        std::string bytes(encoding == Encoding::Utf16Le ? "\xFF\xFE" : "\xFE\xFF");
        for (const wchar_t c : wide) {
            bytes += static_cast<char>(c & 0xFF);
            bytes += static_cast<char>((c >> 8) & 0xFF);
        }
        return bytes;
    }
    default: return text;
    }
}

}  // namespace email32::base
