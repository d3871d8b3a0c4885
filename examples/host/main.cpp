// A host's use of EmailComponent: list the e-mail systems installed on this
// machine (the catalogue EmailDB.ini lies beside the executable) and send the
// files named on the command line through the user's default system.
//
// Exit status: 0 done; 1 the mail program did not take the files; 2 no
// e-mail system is installed, or no catalogue lies beside the host.
#include "public/EmailComponent.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// The module reads its catalogue beside the host executable; without one it
// finds nothing installed, which a host should tell apart.
bool CatalogueBesideUs() {
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string catalogue(path, length);
    catalogue.erase(catalogue.find_last_of('\\') + 1);
    catalogue += "EmailDB.ini";
    return ::GetFileAttributesA(catalogue.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

int main(int argc, char** argv) {
    if (!CatalogueBesideUs()) {
        std::printf("No catalogue: EmailDB.ini is missing beside the host.\n");
        return 2;
    }
    try {
        const EmailComponent mail(true);  // detects, and updates AliveDB.ini

        std::vector<std::string> systems;
        mail.GetAllAliveEmailSys(systems);
        std::string defaultKey;
        mail.GetDefaultEmailSys(defaultKey);
        for (const std::string& key : systems) {
            std::string title;
            mail.GetEmailSysTitle(key, title);
            std::printf("%s %s: %s\n", key == defaultKey ? "*" : " ", key.c_str(), title.c_str());
        }

        if (argc > 1) {
            const std::vector<std::string> files(argv + 1, argv + argc);
            // The empty key means the default system.
            const bool handedOver = mail.SendMail(files, "");
            std::printf("%s %s\n", defaultKey.c_str(), handedOver ? "took the files" : "did not take the files");
            if (!handedOver) return 1;
        }
        return 0;
    } catch (const EmailDBEmpty&) {
        std::printf("No e-mail system is installed.\n");
    } catch (const EmailSysNotAlive& e) {
        std::printf("%s is not installed.\n", e.SystemKey().c_str());
    }
    return 2;
}
