// A mail program that records how it was started: its creation time (so that
// a log written by several at once can be put in start order), its whole
// command line and its current folder.
#include "tests/dispatch/doubles/RecordLog.h"

#include <cstdio>

int main() {
    using namespace email32::doubles;
    FILETIME created = {}, exited = {}, kernel = {}, user = {};
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    char start[32];
    std::snprintf(start, sizeof start, "%010lu%010lu", created.dwHighDateTime, created.dwLowDateTime);
    char folder[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, folder);
    AppendRecord(nullptr, std::string("run\t") + start + "\t" + ::GetCommandLineA() + "\t" + folder);
    return 0;
}
