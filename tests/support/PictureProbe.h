// Reads what a picture file is (format and size) with the platform's imaging
// component, independently of the module's own picture code.
#pragma once

#include <string>

namespace email32::test {

struct PictureFacts {
    bool readable = false;
    std::string format;  // "bmp", "png", "gif", "jpeg", "tiff" or "other"
    unsigned width = 0;
    unsigned height = 0;
    unsigned frames = 0;
};

PictureFacts ProbePicture(const std::string& path);

}  // namespace email32::test
