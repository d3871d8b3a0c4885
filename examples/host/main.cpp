// A host's use of EmailComponent: list the e-mail systems installed on this
// machine (the catalogue EmailDB.ini lies beside the executable) and send the
// files named on the command line through the user's default system.
#include "public/EmailComponent.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
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
        }
        return 0;
    } catch (const EmailDBEmpty&) {
        std::printf("No e-mail system is installed.\n");
    } catch (const EmailSysNotAlive& e) {
        std::printf("%s is not installed.\n", e.SystemKey().c_str());
    }
    return 1;
}
