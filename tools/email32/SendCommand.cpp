// email32 send [--system KEY] FILE...: hand files to an installed e-mail
// system (the default one without --system), as stored by the last detection.
#include "tools/email32/Command.h"

#include "public/EmailComponent.h"

#include <cstdio>

namespace {

int RunSend(const email32::host::Arguments& arguments) {
    std::string systemKey;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--system" && i + 1 < arguments.size() && files.empty()) {
            systemKey = arguments[++i];
        } else {
            files.push_back(arguments[i]);
        }
    }
    EmailComponent component(false);
    component.InitEmailSysDB(false);
    const bool handedOver = component.SendMail(files, systemKey);
    std::printf("%s\n", handedOver ? "handed over" : "not handed over");
    return handedOver ? 0 : 1;
}

}  // namespace

EMAIL32_COMMAND("send", "send [--system KEY] FILE... hand the files to an installed system (default: the default one)",
                RunSend);
