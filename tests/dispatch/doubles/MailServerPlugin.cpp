// A Relay32.dll that records every MailSvr_SendFiles call: the text it was
// given, then (in UTF-8) the long path each short path stands for; and every
// MailSvr_SendMessageW call: its fields and files in UTF-8 ("(null)" for a
// null one; line breaks and tabs as \r, \n and \t). Both report what
// E32_RELAY_RESULT says (default 1, delivered).
#include "dispatch/CompanionEntries.h"
#include "tests/dispatch/doubles/RecordLog.h"

#include <string>

using namespace email32::doubles;

namespace {

HMODULE g_module = nullptr;

// The long UTF-16 path of a short one, in UTF-8; the text itself when the
// file does not exist.
std::string LongName(const std::string& shortPath) {
    wchar_t wide[MAX_PATH] = {}, full[MAX_PATH] = {};
    ::MultiByteToWideChar(CP_ACP, 0, shortPath.c_str(), -1, wide, MAX_PATH);
    if (::GetLongPathNameW(wide, full, MAX_PATH) == 0) return shortPath;
    char utf8[4 * MAX_PATH] = {};
    ::WideCharToMultiByte(CP_UTF8, 0, full, -1, utf8, sizeof utf8, nullptr, nullptr);
    return utf8;
}

std::string Utf8(const wchar_t* text) {
    if (text == nullptr) return "(null)";
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(length > 0 ? length - 1 : 0, '\0');
    if (length > 1) ::WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), length, nullptr, nullptr);
    std::string out;
    for (const char c : utf8) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else out += c;
    }
    return out;
}

std::int32_t Result() {
    const std::string result = EnvironmentText("E32_RELAY_RESULT");
    return result.empty() ? 1 : std::stoi(result);
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        AppendRecord(instance, "attach\tRelay32");
    } else if (reason == DLL_PROCESS_DETACH) {
        AppendRecord(instance, "detach\tRelay32");
    }
    return TRUE;
}

extern "C" __declspec(dllexport) std::int32_t __cdecl MailSvr_SendFiles(std::int32_t mode, const char* shortPaths) {
    std::string record = "MailSvr_SendFiles\t" + std::to_string(mode) + "\t" + Text(shortPaths);
    std::string text = shortPaths ? shortPaths : "";
    for (std::size_t begin = 0; shortPaths && !text.empty();) {
        const std::size_t end = text.find('^', begin);
        record += "\t" + LongName(text.substr(begin, end - begin));
        if (end == std::string::npos) break;
        begin = end + 1;
    }
    AppendRecord(g_module, record);
    return Result();
}

extern "C" __declspec(dllexport) std::int32_t
    __cdecl MailSvr_SendMessageW(const wchar_t* to, const wchar_t* cc, const wchar_t* subject, const wchar_t* body,
                                 const wchar_t* const* files, std::int32_t count) {
    std::string record = "MailSvr_SendMessageW\t" + Utf8(to) + "\t" + Utf8(cc) + "\t" + Utf8(subject) + "\t" +
                         Utf8(body) + "\t" + std::to_string(count);
    for (std::int32_t i = 0; files != nullptr && i < count; ++i) record += "\t" + Utf8(files[i]);
    AppendRecord(g_module, record);
    return Result();
}
