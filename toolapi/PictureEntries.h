// The module's interface for tools and tests: picture conversion through the
// same adapter that prepares attachments. Not part of the host contract.
#pragma once

#include "public/Email32Api.h"

namespace email32::toolapi {

enum class PictureStatus : int {
    Ok = 0,
    ReadFailed = 1,     // the input could not be read as a picture
    ScaleFailed = 2,    // the rescaled picture could not be made
    ConvertFailed = 3,  // the conversion to 24-bit colour failed
    WriteFailed = 4,    // the output could not be written
};

struct PictureSummary {
    int width = 0;
    int height = 0;
    int type = 0;  // image-type code of what was saved
};

// Loads `input`, rescales it to `width` pixels wide when width > 0 (the
// height keeps the aspect ratio, truncated, at least 1), converts it to
// 24-bit colour when `output` ends in ".jpg", and saves it to `output`.
[[nodiscard]] EMAIL32_API PictureStatus ConvertPictureFile(const char* input, const char* output, int width,
                                                           PictureSummary* saved);
// Nonzero when the file carries Exif data.
[[nodiscard]] EMAIL32_API int PictureFileHasExif(const char* path);

}  // namespace email32::toolapi
