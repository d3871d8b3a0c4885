// Link type 7: the files' short paths handed to the mail-server plug-in.
#include "dispatch/CompanionEntries.h"
#include "dispatch/Links.h"

#include "framework/Win32Handles.h"
#include "registry/HostPaths.h"

#include <windows.h>

namespace email32 {
namespace {

// A file whose short path cannot be obtained (it does not exist, or the
// short form does not fit) goes in as the caller gave it.
std::string ShortPathOrGiven(const std::string& path) {
    char shortPath[MAX_PATH] = {};
    const DWORD length = ::GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(shortPath, length) : path;
}

}  // namespace

bool SendByMailServer(const char* /*systemKey*/, const char* cataloguePath, const FileList& files) {
    AutoLibrary relay(::LoadLibraryA((DriveAndFolder(cataloguePath) + "Relay32.dll").c_str()));
    if (!relay) return false;
    const auto sendFiles = ProcAddress<MailSvrSendFilesFn>(relay.get(), "MailSvr_SendFiles");
    if (sendFiles == nullptr) return false;
    FileList shortPaths;
    shortPaths.reserve(files.size());
    for (const std::string& file : files) shortPaths.push_back(ShortPathOrGiven(file));
    const std::string joined = JoinPaths(shortPaths, "^");
    sendFiles(1, joined.c_str());
    return true;
}

}  // namespace email32
