// The outbox parts of "email32 relay": --list and --remove FILE.
#pragma once

#include <cstddef>
#include <string>

namespace email32::host {

int ListOutbox();
// `argumentIndex`: where FILE stands among the command's arguments, so that
// it is taken whole from the wide command line.
int RemoveFromOutbox(const std::string& file, size_t argumentIndex);

}  // namespace email32::host
