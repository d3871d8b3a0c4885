// email32 gif: the animated-GIF test, frame dumps and rewriting through the
// module's GIF codec.
#include "tools/email32/Command.h"

#include "toolapi/GifEntries.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

using email32::toolapi::GifStatus;

int Report(GifStatus status, const std::string& file) {
    switch (status) {
    case GifStatus::Unreadable: std::fprintf(stderr, "email32: %s: not a readable GIF file\n", file.c_str()); break;
    case GifStatus::Damaged:
        // The module's GIF reader threw: reported as every exception of the
        // module is.
        std::fprintf(stderr, "email32: CArchiveException: %s: damaged GIF file (header longer than the file)\n",
                     file.c_str());
        return email32::host::kModuleExceptionStatus;
    case GifStatus::WriteFailed: std::fprintf(stderr, "email32: cannot write the output file\n"); break;
    default: break;
    }
    return 1;
}

int RunGif(const email32::host::Arguments& arguments) {
    if (arguments.size() == 1) {
        bool animated = false;
        const GifStatus status = email32::toolapi::GifIsAnimated(arguments[0].c_str(), &animated);
        if (status != GifStatus::Ok) return Report(status, arguments[0]);
        std::printf("animated: %s\n", animated ? "yes" : "no");
        return 0;
    }
    if (arguments.size() == 3 && arguments[0] == "--frames") {
        ::CreateDirectoryA(arguments[1].c_str(), nullptr);
        int count = 0;
        const GifStatus status = email32::toolapi::SaveGifFrames(arguments[2].c_str(), arguments[1].c_str(), &count);
        if (status != GifStatus::Ok) return Report(status, arguments[2]);
        std::printf("%d\n", count);
        return 0;
    }
    if (arguments.size() == 3 && arguments[0] == "--rewrite") {
        const GifStatus status = email32::toolapi::RewriteGif(arguments[2].c_str(), arguments[1].c_str());
        if (status != GifStatus::Ok) return Report(status, arguments[2]);
        return 0;
    }
    std::fprintf(stderr, "usage: email32 gif [--frames DIR | --rewrite OUT] FILE\n");
    return 64;
}

}  // namespace

EMAIL32_COMMAND("gif", "gif [--frames DIR | --rewrite OUT] FILE  animated test, frame dump or rewrite", RunGif);
