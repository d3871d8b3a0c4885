// email32 convert [--width N] IN OUT: a picture file through the attachment
// conversion.
#include "tools/email32/Command.h"

#include "toolapi/PictureEntries.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using email32::toolapi::PictureStatus;

int RunConvert(const email32::host::Arguments& arguments) {
    int width = 0;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--width") {
            char* end = nullptr;
            const long value = i + 1 < arguments.size() ? std::strtol(arguments[i + 1].c_str(), &end, 10) : 0;
            if (end == nullptr || *end != '\0' || value <= 0 || value > 65535) {
                std::fprintf(stderr, "email32 convert: --width needs a width from 1 to 65535\n");
                return 64;
            }
            width = static_cast<int>(value);
            ++i;
        } else {
            files.push_back(arguments[i]);
        }
    }
    if (files.size() != 2) {
        std::fprintf(stderr, "usage: email32 convert [--width N] IN OUT\n");
        return 64;
    }
    email32::toolapi::PictureSummary saved;
    switch (email32::toolapi::ConvertPictureFile(files[0].c_str(), files[1].c_str(), width, &saved)) {
    case PictureStatus::Ok: std::printf("%dx%d type %d\n", saved.width, saved.height, saved.type); return 0;
    case PictureStatus::ReadFailed:
        std::fprintf(stderr, "email32 convert: cannot read %s as a picture\n", files[0].c_str());
        return 1;
    case PictureStatus::ScaleFailed:
        std::fprintf(stderr, "email32 convert: cannot rescale %s to %d pixels wide\n", files[0].c_str(), width);
        return 1;
    case PictureStatus::ConvertFailed:
        std::fprintf(stderr, "email32 convert: cannot convert %s to 24-bit colour\n", files[0].c_str());
        return 1;
    case PictureStatus::WriteFailed:
    default: std::fprintf(stderr, "email32 convert: cannot write %s\n", files[1].c_str()); return 1;
    }
}

}  // namespace

EMAIL32_COMMAND("convert", "convert [--width N] IN OUT  convert a picture file (JPEG when OUT ends in .jpg)",
                RunConvert);
