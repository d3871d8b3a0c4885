#include "companions/relay/PathList.h"

#include "base/Win32Handles.h"
#include "base/Path.h"
#include "base/Text.h"

#include <windows.h>

namespace relay {

// The texts and message parts the plug-in shares with the module.
using namespace email32::base;
namespace {

// The module hands over paths from 260-byte buffers.
constexpr size_t kLongestPath = MAX_PATH - 1;
// Joining pieces again costs a file-system look-up each; a text of nothing
// but carets must not take minutes.
constexpr int kMostJoins = 10000;

bool IsFile(const std::string& ansiPath) {
    const DWORD attributes = ::GetFileAttributesW(Widen(ansiPath).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsReadable(const std::wstring& path) {
    const email32::base::AutoCloseHandle file(
        ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    return file.valid();
}

}  // namespace

std::wstring LongPathOf(const std::string& ansiPath) {
    const std::wstring shortPath = Widen(ansiPath);
    return LongPath(shortPath).value_or(shortPath);
}

NamedFiles ResolveJoinedPaths(const char* joined) {
    NamedFiles named;
    if (joined == nullptr) return named;
    std::vector<std::string> pieces;
    const std::string text(joined);
    for (size_t start = 0;;) {
        const size_t end = text.find('^', start);
        pieces.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    int joinsLeft = kMostJoins;
    for (size_t i = 0; i < pieces.size();) {
        std::string candidate = pieces[i];
        size_t last = i;
        while (!IsFile(candidate) && last + 1 < pieces.size() && joinsLeft-- > 0 &&
               candidate.size() + 1 + pieces[last + 1].size() <= kLongestPath) {
            candidate += "^" + pieces[++last];
        }
        if (IsFile(candidate)) {
            const std::wstring path = LongPathOf(candidate);
            if (IsReadable(path)) named.files.push_back(path);
            else named.unreadable.push_back(candidate);
            i = last + 1;
        } else {
            if (!pieces[i].empty()) named.unreadable.push_back(pieces[i]);
            ++i;
        }
    }
    return named;
}

}  // namespace relay
