// email32 paths: where the module looks for its two files.
#include "tools/email32/Command.h"

#include "public/EmailComponent.h"

#include <cstdio>

namespace {

int RunPaths(const email32::host::Arguments& /*arguments*/) {
    const EmailComponent component(false);
    std::printf("%s\n%s\n", component.CataloguePath().c_str(), component.InstalledListPath().c_str());
    return 0;
}

}  // namespace

EMAIL32_COMMAND("paths", "paths                      print the catalogue path and the installed-list path", RunPaths);
