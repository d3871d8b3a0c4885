// One send of the plug-in: the files named in the "^"-joined text become one
// message that goes to the SMTP server of the settings or, failing that, into
// the outbox.
#pragma once

#include <string>
#include <vector>

namespace relay {

enum class RelayResult : int {
    NothingSent = 0,  // no readable file, or the outbox could not be written
    Delivered = 1,
    KeptInOutbox = 2,
};

// Splits the joined text at "^"; empty pieces are dropped.
[[nodiscard]] std::vector<std::string> SplitJoinedPaths(const char* joined);

// The long form of a (short) path, the path itself when it has none.
[[nodiscard]] std::wstring LongPathOf(const std::string& ansiPath);

[[nodiscard]] RelayResult RelayFiles(const char* joinedShortPaths, const std::wstring& settingsPath);

}  // namespace relay
