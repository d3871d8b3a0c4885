// Link type 7: the files' short paths handed to the mail-server plug-in.
#include "dispatch/CompanionEntries.h"
#include "dispatch/Links.h"

#include "base/Win32Handles.h"
#include "base/HostPaths.h"
#include "base/LoadableLibrary.h"

#include <windows.h>

#include <optional>

namespace email32 {
namespace {

// The plug-in's contract is ANSI: the short path, which the code page can
// name even where the long one holds characters it lacks. A file without a
// short path (it does not exist) goes in as the caller gave it; one the code
// page cannot name then stops the send.
std::optional<std::string> PlugInName(const SendFile& file) {
    std::string shortName;
    const std::optional<std::wstring> shortPath = ShortPath(file.path);
    if (shortPath && NarrowExact(*shortPath, shortName)) return shortName;
    if (file.ansiExact) return file.ansi;
    return std::nullopt;
}

}  // namespace

bool SendByMailServer(const SendRequest& request) {
    FileList shortPaths;
    shortPaths.reserve(request.files.size());
    for (const SendFile& file : request.files) {
        const std::optional<std::string> name = PlugInName(file);
        if (!name) return false;
        shortPaths.push_back(*name);
    }
    // From the host's folder only: without it (a path too long to split) the
    // name alone would be looked for elsewhere.
    const std::string hostFolder = DriveAndFolder(request.entry.CataloguePath());
    AutoLibrary relay(hostFolder.empty() ? nullptr : LoadLocatedLibrary(hostFolder + "Relay32.dll"));
    if (!relay) return false;
    const auto sendFiles = ProcAddress<MailSvrSendFilesFn>(relay.get(), "MailSvr_SendFiles");
    if (sendFiles == nullptr) return false;
    const std::string joined = JoinPaths(shortPaths, "^");
    sendFiles(1, joined.c_str());
    return true;
}

}  // namespace email32
