// The files named in the "^"-joined text the module hands over.
#pragma once

#include <string>
#include <vector>

namespace relay {

struct NamedFiles {
    std::vector<std::wstring> files;      // long paths, in the order given
    std::vector<std::string> unreadable;  // pieces that name no readable file, as given
};

// Splits at "^", but "^" is legal in file names too: a piece that names no
// file is joined again with the pieces after it, as long as the whole can
// still be a path, before it is given up. Empty pieces name nothing and are
// skipped.
[[nodiscard]] NamedFiles ResolveJoinedPaths(const char* joined);

// The long form of a (short) path in the ANSI code page, the path itself when
// it has none.
[[nodiscard]] std::wstring LongPathOf(const std::string& ansiPath);

}  // namespace relay
