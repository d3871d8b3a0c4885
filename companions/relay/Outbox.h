// Where messages wait that could not be delivered: the "Outbox" folder in the
// module's per-user folder, with the log "Relay32.log" beside it.
#pragma once

#include <string>

namespace relay {

struct OutboxPlace {
    std::wstring folder;   // ends with a backslash
    std::wstring logPath;
};

// The per-user folder that Userpath.dll reports, or %APPDATA%\Email32\ when
// that library or its entry is missing.
[[nodiscard]] OutboxPlace FindOutbox();

// Writes the message as a new .eml file; the file appears whole or not at
// all. Returns false when the folder or the file cannot be written.
[[nodiscard]] bool SaveToOutbox(const OutboxPlace& place, const std::string& message, std::wstring& savedPath);

// Appends one time-stamped UTF-8 line to the log; failures are ignored, as
// there is nowhere else to report them.
void AppendLog(const OutboxPlace& place, const std::string& line);

}  // namespace relay
