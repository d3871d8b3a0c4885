// What the send options tests share: the pictures made for them and the
// per-user temporary folder the preparation writes to.
#pragma once

#include "tests/support/TestEnvironment.h"

#include <windows.h>

#include <string>
#include <vector>

namespace email32::test {

// The pictures that make_pictures.sh made for the tests, with a trailing
// backslash.
inline std::string PicturesFolder() { return BinFolder() + "..\\fixtures\\sendui\\"; }
inline std::string Picture(const std::string& name) {
    char full[MAX_PATH] = {};
    ::GetFullPathNameA((PicturesFolder() + name).c_str(), MAX_PATH, full, nullptr);
    return full;
}

// The folder the module prepares attachments in for this user.
inline std::string PreparedFolder() { return AppDataFolder() + "temp\\"; }

// Text in the code page of the process from UTF-16.
inline std::string Ansi(const std::wstring& text) {
    const int length = ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<size_t>(length > 0 ? length : 1), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, ansi.data(), length, nullptr, nullptr);
    ansi.resize(ansi.size() - 1);
    return ansi;
}

// The dialog's texts in the language the resource loader picks for the
// user: Traditional Chinese for a Chinese UI language, English otherwise.
struct DialogTexts {
    std::wstring options, ok, cancel, format, resolution, size, original;
};
inline DialogTexts ExpectedDialogTexts() {
    if (PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_CHINESE) {
        return {L"選項", L"確定", L"取消", L"檔案格式", L"解析度", L"檔案大小", L"原始檔"};
    }
    return {L"Options", L"OK", L"Cancel", L"File format", L"Resolution", L"File size", L"Original"};
}

// The contents of files, to show that they were never written.
inline std::vector<std::string> Contents(const std::vector<std::string>& paths) {
    std::vector<std::string> contents;
    for (const std::string& path : paths) contents.push_back(ReadFile(path));
    return contents;
}

inline unsigned long long FileLength(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The size text the dialog shows for files, worked out independently.
inline std::string SizeTextOf(const std::vector<std::string>& paths) {
    unsigned long long total = 0;
    for (const std::string& path : paths) total += FileLength(path);
    return std::to_string((total + 1023) / 1024) + " KB";
}

}  // namespace email32::test
