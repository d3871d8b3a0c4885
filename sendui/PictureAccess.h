// What the attachment preparation and the convertibility test ask of the
// picture libraries and the GIF reader, gathered in one place.
#pragma once

#include <windows.h>

#include <memory>

namespace email32::sendui {

class PictureAccess {
public:
    PictureAccess();
    PictureAccess(const PictureAccess&) = delete;
    PictureAccess& operator=(const PictureAccess&) = delete;
    ~PictureAccess();

    // A GIF89a file with two or more frames, or a GIF file too damaged to
    // tell: either is sent as it is. Uses the module's GIF reader, so only
    // ever on the caller's thread.
    [[nodiscard]] bool IsAnimated(const char* path);
    // The file carries Exif data.
    [[nodiscard]] static bool HasExif(const char* path);

    // What Shrink does to a picture on its way from source to target.
    struct Shrinking {
        // The new width, the height keeping the aspect (truncated); 0 keeps
        // the size.
        int width = 0;
        // Brought to 24-bit colour first.
        bool trueColour = false;
        // A second thread may share the decode of a large JPEG picture.
        bool helperThread = false;
        // A photo: turned upright by its Exif orientation, and written as a
        // JPEG file with its Exif data (made fit to send, the location only
        // with keepLocation) and colour profile. Unturned and unscaled, a
        // JPEG photo keeps its compressed picture as it is.
        bool photo = false;
        bool keepLocation = false;
    };
    enum class Outcome { NotLoaded, Written, NotWritten };
    // Reads source, converts and scales it, and writes it to target (which
    // may be source itself), whose extension chooses the file format. The
    // picture is decoded once, as small as its decoder allows. A picture
    // that cannot be read, converted or scaled, or whose new height would be
    // 0, gives NotLoaded and nothing is written; a failed write leaves target
    // as it was. Safe on any thread, each with its own files.
    [[nodiscard]] static Outcome Shrink(const char* source, const char* target, const Shrinking& shrinking);
    // Whether the file can be read as a picture at all: for the formats
    // whose decoder may be missing (HEIF) or that may be animated (WebP).
    [[nodiscard]] static bool CanRead(const char* path);

private:
    static Outcome ShrinkPhoto(const char* source, const char* target, const Shrinking& shrinking);
    struct Gif;
    std::unique_ptr<Gif> m_gif;
};

}  // namespace email32::sendui
