// email32 detect: detect the installed e-mail systems and print them.
#include "tools/email32/Command.h"
#include "tools/email32/InstalledListOutput.h"

#include "public/EmailComponent.h"

namespace {

int RunDetect(const email32::host::Arguments& /*arguments*/) {
    const EmailComponent component(true);
    email32::host::PrintInstalledList(component);
    return 0;
}

}  // namespace

EMAIL32_COMMAND("detect",
                "detect                     detect the installed e-mail systems, rewrite AliveDB.ini and list them",
                RunDetect);
