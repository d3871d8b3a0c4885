#include "dispatch/CommandLine.h"

#include "dispatch/SendRequest.h"
#include "base/Win32Handles.h"
#include "base/Text.h"

#include <windows.h>

#include <string_view>

namespace email32::dispatch {
namespace {

bool HoldsAny(const std::wstring& text, const wchar_t* characters) {
    return text.find_first_of(characters) != std::wstring::npos;
}

bool HoldsControlCharacter(const std::wstring& text) {
    for (const wchar_t c : text) {
        if (c < L' ') return true;
    }
    return false;
}

// What cmd.exe acts on even inside quotes: "%" expands variables, a quote
// ends the quoted part, control characters end the line.
bool SafeInsideQuotesForCmd(const std::wstring& text) {
    return !HoldsAny(text, L"%\"") && !HoldsControlCharacter(text);
}

// Outside quotes it also splits and redirects at these.
bool SafeUnquotedForCmd(const std::wstring& text) {
    return SafeInsideQuotesForCmd(text) && !HoldsAny(text, L" &|<>^()!,;=");
}

std::wstring SystemFolderFile(const wchar_t* name) {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::wstring();
    return std::wstring(folder, length) + L"\\" + name;
}

}  // namespace

std::wstring QuoteArgument(const std::wstring& argument, bool always) {
    if (!always && (argument.empty() || !HoldsAny(argument, L" \t\""))) return argument;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count as escapes only before a quote: double them there.
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    // ... and before the closing quote.
    quoted.append(backslashes * 2, L'\\');
    quoted += L'"';
    return quoted;
}

std::wstring NormalisedProgramPath(const std::wstring& program) {
    std::wstring path = program;
    static constexpr std::wstring_view kDefaultStream = L"::$DATA";
    if (path.size() > kDefaultStream.size() &&
        ::lstrcmpiW(path.c_str() + path.size() - kDefaultStream.size(), kDefaultStream.data()) == 0) {
        path.resize(path.size() - kDefaultStream.size());
    }
    while (!path.empty() && (path.back() == L'.' || path.back() == L' ')) path.pop_back();
    return path.empty() || path.back() == L'\\' || path.back() == L'/' || path.back() == L':' ? program : path;
}

bool IsBatchProgram(const std::wstring& program) {
    const std::wstring path = NormalisedProgramPath(program);
    const std::size_t dot = path.find_last_of(L".\\/");
    if (dot == std::wstring::npos || path[dot] != L'.') return false;
    const std::wstring extension = path.substr(dot);
    return ::lstrcmpiW(extension.c_str(), L".bat") == 0 || ::lstrcmpiW(extension.c_str(), L".cmd") == 0;
}

ArgumentWriter::ArgumentWriter(const std::wstring& program, bool quote)
    : m_batch(IsBatchProgram(program)),
      m_quote(quote),
      m_programAccepted(!m_batch || SafeInsideQuotesForCmd(program)) {}

std::optional<std::wstring> ArgumentWriter::File(const std::wstring& argument) const {
    if (!m_batch) return m_quote ? QuoteArgument(argument) : argument;
    // cmd.exe takes a quoted argument literally but for "%"; unquoted, every
    // separator and operator counts.
    if (m_quote) {
        if (!SafeInsideQuotesForCmd(argument)) return std::nullopt;
        return QuoteArgument(argument, true);
    }
    if (!SafeUnquotedForCmd(argument)) return std::nullopt;
    return argument;
}

std::optional<std::wstring> ArgumentWriter::Quoted(const std::wstring& argument) const {
    if (m_batch && !SafeInsideQuotesForCmd(argument)) return std::nullopt;
    return QuoteArgument(argument, true);
}

bool StartProgram(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder) {
    std::wstring application = program;
    std::wstring commandLine;
    if (IsBatchProgram(program)) {
        // Without /d no AutoRun command runs first; /v:off keeps "!" literal;
        // /s takes the outer quotes off and leaves the line as it stands.
        // The interpreter is given the name the file system gives the file.
        const std::wstring batch = NormalisedProgramPath(program);
        if (!SafeInsideQuotesForCmd(batch)) return false;
        application = SystemFolderFile(L"cmd.exe");
        commandLine = L"cmd.exe /d /v:off /s /c \"" + QuoteArgument(batch, true) + L" " + arguments + L"\"";
    } else {
        commandLine = (HoldsAny(program, L" \t") ? QuoteArgument(program, true) : program) + L" " + arguments;
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    ::GetStartupInfoW(&startup);
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
        return false;
    }
    // Nothing waits for the mail program; its handles are not kept.
    base::AutoCloseHandle processHandle(process.hProcess);
    base::AutoCloseHandle threadHandle(process.hThread);
    return true;
}

std::string WindowsErrorText(unsigned long error) {
    const char* meaning = "";
    switch (error) {
    case ERROR_FILE_NOT_FOUND: meaning = ": the file was not found"; break;
    case ERROR_PATH_NOT_FOUND: meaning = ": the folder was not found"; break;
    case ERROR_ACCESS_DENIED: meaning = ": access is denied"; break;
    case ERROR_BAD_EXE_FORMAT: meaning = ": not a program this Windows runs"; break;
    case ERROR_NO_ASSOCIATION: meaning = ": no program is registered for the file type"; break;
    default: break;
    }
    return "Windows error " + std::to_string(error) + meaning;
}

std::string ProgramNotStarted(const std::string& program, unsigned long error) {
    const std::string name = program.empty() ? std::string("the mail program (no Path in AliveDB.ini)") : program;
    return name + " cannot be started (" + WindowsErrorText(error) + ")";
}

std::wstring FileUrl(const std::wstring& path) {
    std::wstring local = path;
    std::wstring url = L"file:///";
    if (local.rfind(L"\\\\?\\UNC\\", 0) == 0) {
        local = L"\\\\" + local.substr(8);
    } else if (local.rfind(L"\\\\?\\", 0) == 0) {
        local = local.substr(4);
    }
    if (local.rfind(L"\\\\", 0) == 0) {
        url = L"file://";
        local = local.substr(2);
    }
    const std::string bytes = base::Utf8(local);
    static const char kHex[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                                c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
        if (c == '\\') {
            url += L'/';
        } else if (unreserved || (c == ':' && i == 1)) {
            url += static_cast<wchar_t>(c);
        } else {
            url += L'%';
            url += static_cast<wchar_t>(kHex[c >> 4]);
            url += static_cast<wchar_t>(kHex[c & 15]);
        }
    }
    return url;
}

}  // namespace email32::dispatch
