// email32: a command-line host of the e-mail module.
#include "tools/email32/Command.h"

#include "public/EmailExceptions.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <map>

namespace email32::host {
namespace {

struct Entry {
    const char* usage;
    CommandFn run;
};

std::map<std::string, Entry>& Commands() {
    static std::map<std::string, Entry> commands;
    return commands;
}

int Usage() {
    std::fprintf(stderr, "usage: email32 COMMAND [ARGUMENTS]\ncommands:\n");
    for (const auto& [name, entry] : Commands()) std::fprintf(stderr, "  %s\n", entry.usage);
    return 64;
}

}  // namespace

CommandRegistration::CommandRegistration(const char* name, const char* usage, CommandFn run) {
    Commands()[name] = Entry{usage, run};
}

int RunReportingModuleExceptions(int (*fn)(const Arguments&), const Arguments& arguments) {
    try {
        return fn(arguments);
    } catch (const EmailDBEmpty&) {
        std::fprintf(stderr, "email32: EmailDBEmpty: no e-mail system is installed\n");
    } catch (const EmailSysNotAlive& e) {
        std::fprintf(stderr, "email32: EmailSysNotAlive: %s is not installed\n", e.SystemKey().c_str());
    } catch (const AliveDBNotExist&) {
        std::fprintf(stderr, "email32: AliveDBNotExist: AliveDB.ini holds no installed list\n");
    }
    return kModuleExceptionStatus;
}

}  // namespace email32::host

int main(int argc, char** argv) {
    using namespace email32::host;
    // Lines end in a bare line feed, so that scripts read the same text
    // whether they run on Windows or through Wine.
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc < 2) return Usage();
    const auto found = Commands().find(argv[1]);
    if (found == Commands().end()) {
        std::fprintf(stderr, "email32: unknown command '%s'\n", argv[1]);
        return Usage();
    }
    const Arguments arguments(argv + 2, argv + argc);
    const int status = RunReportingModuleExceptions(found->second.run, arguments);
    std::fflush(stdout);
    return status;
}
