// probe_host SCENARIO: one scripted use of EmailComponent, printing what it
// observed, for tests that need a deployment folder of their own.
#include "public/EmailComponent.h"

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) return 64;
    const std::string scenario = argv[1];
    try {
        if (scenario == "paths") {
            const EmailComponent component(true);
            std::printf("%s\n%s\n", component.CataloguePath().c_str(), component.InstalledListPath().c_str());
            return 0;
        }
        if (scenario == "detect-then-default") {
            const EmailComponent component(true);
            std::string key;
            component.GetDefaultEmailSys(key);
            std::printf("default %s\n", key.c_str());
            return 0;
        }
        if (scenario == "send-one" && argc == 4) {
            // The one-file form: probe_host send-one FILE KEY
            EmailComponent component(false);
            component.InitEmailSysDB(false);
            std::printf("%s\n", component.SendMail(std::string(argv[2]), std::string(argv[3])) ? "true" : "false");
            return 0;
        }
        if (scenario == "send-unloaded") {
            const EmailComponent component(false);
            component.SendMail(std::string("C:\\a.jpg"), std::string());
            return 0;
        }
        if (scenario == "load") {
            EmailComponent component(false);
            std::printf("count %d\n", component.InitEmailSysDB(false));
            return 0;
        }
    } catch (const EmailDBEmpty&) {
        std::printf("EmailDBEmpty\n");
        return 2;
    } catch (const AliveDBNotExist&) {
        std::printf("AliveDBNotExist\n");
        return 2;
    } catch (const EmailSysNotAlive& e) {
        std::printf("EmailSysNotAlive %s\n", e.SystemKey().c_str());
        return 2;
    }
    return 64;
}
