#include "hostapi/WideSend.h"

#include "hostapi/HostText.h"

#include <algorithm>

namespace email32 {

namespace {

// The checks SendMail makes of the key, with its exceptions.
void RequireSendable(const EmailComponent& component, const std::string& systemKey) {
    std::vector<std::string> systems;
    component.GetAllAliveEmailSys(systems);
    if (!systemKey.empty() && std::find(systems.begin(), systems.end(), systemKey) == systems.end()) {
        throw EmailSysNotAlive(systemKey);
    }
}

}  // namespace

// The links take ANSI paths for now: a name the code page cannot hold goes
// by its short form, which every link can open. A file with neither is not
// handed over at all, rather than the others sent without it.
bool SendWideFiles(const EmailComponent& component, const std::string& systemKey,
                   const std::vector<std::wstring>& files) {
    std::vector<std::string> ansiFiles;
    ansiFiles.reserve(files.size());
    for (const std::wstring& file : files) {
        std::string ansi;
        if (!AnsiPathOf(file.c_str(), ansi)) {
            RequireSendable(component, systemKey);
            return false;
        }
        ansiFiles.push_back(std::move(ansi));
    }
    return component.SendMail(ansiFiles, systemKey);
}

}  // namespace email32
