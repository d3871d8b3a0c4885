// The parts of the command-line link that the tests reach directly.
#pragma once

#include "dispatch/Links.h"

#include <string>

namespace email32 {

// Starts one process with the command line (the program is its first token),
// passing the host's own start-up information on. Does not wait; the
// process and thread handles are closed at once. False when nothing started.
bool RunCommand(const std::string& commandLine);

// Writes the attachment list: one full path per line, each ended by CR LF,
// replacing any earlier list. False when the file cannot be opened or
// written completely.
[[nodiscard]] bool WriteAttachList(const FileList& files, const std::string& listPath);

}  // namespace email32
