// email32 list: print the installed list stored by the last detection.
#include "tools/email32/Command.h"
#include "tools/email32/InstalledListOutput.h"

#include "public/EmailComponent.h"

namespace {

int RunList(const email32::host::Arguments& /*arguments*/) {
    EmailComponent component(false);
    component.InitEmailSysDB(false);
    email32::host::PrintInstalledList(component);
    return 0;
}

}  // namespace

EMAIL32_COMMAND("list", "list                       print the installed list stored in AliveDB.ini, without detecting",
                RunList);
