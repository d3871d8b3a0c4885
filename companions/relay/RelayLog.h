// Relay32.log: one time-stamped UTF-8 line per event worth telling the user,
// kept whole however many senders write at once.
#pragma once

#include <string>

namespace relay {

// Appends the line; failures are ignored, as there is nowhere else to report
// them. Writers in every process take turns through a named mutex and open
// the file for shared appending, so no line is lost or torn.
void AppendLog(const std::wstring& logPath, const std::string& line);

}  // namespace relay
