// email32 prepare: the attachment preparation of the send options dialog,
// without the dialog.
#include "tools/email32/Command.h"

#include "toolapi/PrepareEntries.h"

#include <windows.h>

#include <cstdio>

namespace {

constexpr const char* kWidths[] = {"160", "240", "320", "480", "640", "800", "1024", "1280", "1600"};

int Usage() {
    std::fprintf(stderr,
                 "usage: email32 prepare --format original|JPG --width original|160|240|320|480|640|800|1024|1280|1600 "
                 "[--shrink-photos] [--keep-location] FILE...\n");
    return 64;
}

std::string FullPath(const std::string& path) {
    char buffer[MAX_PATH] = {};
    const DWORD length = ::GetFullPathNameA(path.c_str(), MAX_PATH, buffer, nullptr);
    return length > 0 && length < MAX_PATH ? std::string(buffer, length) : path;
}

int RunPrepare(const email32::host::Arguments& arguments) {
    const std::string original = email32::toolapi::OriginalChoiceText();
    std::string format = original;
    std::string resolution = original;
    std::vector<std::string> files;
    email32::toolapi::PhotoChoice photos;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--shrink-photos") {
            photos.shrinkPhotos = true;
        } else if (a == "--keep-location") {
            photos.keepLocation = true;
        } else if ((a == "--format" || a == "--width") && i + 1 < arguments.size()) {
            const std::string& value = arguments[++i];
            if (a == "--format") {
                if (value == "original") format = original;
                else if (value == "JPG") format = email32::toolapi::JpgChoiceText();
                else return Usage();
            } else if (value == "original") {
                resolution = original;
            } else {
                bool known = false;
                for (const char* width : kWidths) known = known || value == width;
                if (!known) return Usage();
                resolution = value;
            }
        } else if (a.rfind("--", 0) == 0) {
            return Usage();
        } else {
            files.push_back(FullPath(a));
        }
    }
    if (files.empty()) return Usage();

    try {
        const email32::toolapi::PreparedAttachments prepared =
            email32::toolapi::PrepareAttachments(format, resolution, files, photos);
        for (const std::string& path : prepared.files) std::printf("%s\n", path.c_str());
        std::printf("%s\n", prepared.sizeText.c_str());
        return 0;
    } catch (...) {
        std::fprintf(stderr, "email32: a picture could not be read\n");
        return email32::host::kModuleExceptionStatus;
    }
}

}  // namespace

EMAIL32_COMMAND(
    "prepare",
    "prepare --format original|JPG --width original|160|...|1600 [--shrink-photos] [--keep-location] FILE...  "
    "print the files that would be sent, then their size",
    RunPrepare);
