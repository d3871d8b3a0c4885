// Subcommands of the email32 host register themselves here, one file each.
#pragma once

#include <string>
#include <vector>

namespace email32::host {

using Arguments = std::vector<std::string>;
// Returns the process exit status.
using CommandFn = int (*)(const Arguments& arguments);

struct CommandRegistration {
    CommandRegistration(const char* name, const char* usage, CommandFn run);
};

// Exit status for an exception of the module's own, printed as one line on
// standard error.
inline constexpr int kModuleExceptionStatus = 2;

// Runs fn and turns the module's exceptions into one line on standard error
// and kModuleExceptionStatus.
int RunReportingModuleExceptions(int (*fn)(const Arguments&), const Arguments& arguments);

}  // namespace email32::host

#define EMAIL32_COMMAND(name, usage, fn) \
    static const ::email32::host::CommandRegistration kRegistration_##fn(name, usage, fn)
