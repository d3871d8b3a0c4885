// email32 exif FILE: whether the file carries Exif data.
#include "tools/email32/Command.h"

#include "toolapi/PictureEntries.h"

#include <cstdio>

namespace {

int RunExif(const email32::host::Arguments& arguments) {
    if (arguments.size() != 1) {
        std::fprintf(stderr, "usage: email32 exif FILE\n");
        return 64;
    }
    std::printf("exif: %s\n", email32::toolapi::PictureFileHasExif(arguments[0].c_str()) ? "yes" : "no");
    return 0;
}

}  // namespace

EMAIL32_COMMAND("exif", "exif FILE                  print whether FILE carries Exif data", RunExif);
