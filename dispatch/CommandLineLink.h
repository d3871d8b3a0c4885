// The command-line link's catalogue keys beyond those of the description:
// "QuoteFiles" (0 keeps file arguments unquoted) and "CommandFileList" 4
// (all files as file:/// URLs in one compose argument).
#pragma once

#include "dispatch/Links.h"

namespace email32::dispatch {

// "CommandFileList" values.
enum CommandFileList : int {
    kProcessPerFile = 0,
    kAttachList = 1,
    kBareNamesInFolder = 2,
    kProcessPerFileToo = 3,
    kFileUrls = 4,
};

}  // namespace email32::dispatch
