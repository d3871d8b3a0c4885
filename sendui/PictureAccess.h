// What the attachment preparation and the convertibility test ask of the
// picture libraries and the GIF reader, gathered in one place.
#pragma once

#include <windows.h>

#include <memory>

namespace email32 {

class PictureAccess {
public:
    PictureAccess();
    PictureAccess(const PictureAccess&) = delete;
    PictureAccess& operator=(const PictureAccess&) = delete;
    ~PictureAccess();

    // A GIF89a file with two or more frames, or a GIF file too damaged to
    // tell: either is sent as it is.
    [[nodiscard]] bool IsAnimated(const char* path);
    // The file carries Exif data.
    [[nodiscard]] static bool HasExif(const char* path);
    // Reads source, brings it to 24-bit colour and writes it to target, whose
    // extension chooses the file format.
    [[nodiscard]] static bool ConvertToTrueColour(const char* source, const char* target);

    enum class RescaleOutcome { NotLoaded, Written, NotWritten };
    // Scales the picture in path to the width, the height keeping the aspect
    // (truncated), and writes it back. A picture that cannot be read, or
    // whose new height would be 0, is left as it is (NotLoaded).
    [[nodiscard]] static RescaleOutcome Rescale(const char* path, int width);

private:
    struct Gif;
    std::unique_ptr<Gif> m_gif;
};

}  // namespace email32
