// A mail program that records how it was started: its creation time (so that
// a log written by several at once can be put in start order), its whole
// command line, its current folder, and, in UTF-8, its UTF-16 command line
// and the arguments CommandLineToArgvW splits it into. Line breaks and tabs
// in them are written as \r, \n and \t, so that the record stays one line.
//
// It builds for x86_64 as well (a 64-bit mail program of a WOW64 test), from
// this file and RecordLog.h alone.
//
// With E32_LIST_READ_DELAY set (milliseconds), it is also a slow reader of
// an attachment list: after the delay it reads the file whose path ends its
// last argument (the text from its drive letter on) and records the lines.
#include "tests/dispatch/doubles/RecordLog.h"

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

std::string OneLine(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else out += c;
    }
    return out;
}

std::string Utf8(const wchar_t* text) {
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(length > 0 ? length - 1 : 0, '\0');
    if (length > 1) ::WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), length, nullptr, nullptr);
    return OneLine(utf8);
}

void RecordList(const std::string& start, const std::string& lastArgument) {
    const std::size_t drive = lastArgument.rfind(":\\");
    if (drive == std::string::npos || drive == 0) return;
    std::ifstream in(lastArgument.substr(drive - 1), std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    std::string record = "list\t" + start, line;
    while (std::getline(content, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        record += "\t" + line;
    }
    email32::doubles::AppendRecord(nullptr, record);
}

}  // namespace

int main() {
    using namespace email32::doubles;
    FILETIME created = {}, exited = {}, kernel = {}, user = {};
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    char start[32];
    std::snprintf(start, sizeof start, "%010lu%010lu", created.dwHighDateTime, created.dwLowDateTime);
    char folder[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, folder);

    std::string record = std::string("run\t") + start + "\t" + OneLine(::GetCommandLineA()) + "\t" + folder + "\t" +
                         Utf8(::GetCommandLineW());
    int count = 0;
    LPWSTR* arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    for (int i = 1; arguments != nullptr && i < count; ++i) record += "\t" + Utf8(arguments[i]);
    AppendRecord(nullptr, record);

    const std::string delay = EnvironmentText("E32_LIST_READ_DELAY");
    if (!delay.empty() && arguments != nullptr && count > 1) {
        ::Sleep(static_cast<DWORD>(std::atoi(delay.c_str())));
        RecordList(start, Utf8(arguments[count - 1]));
    }
    ::LocalFree(arguments);
    return 0;
}
