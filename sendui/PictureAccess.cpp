#include "sendui/PictureAccess.h"

#include "public/framework/CString.h"
#include "sendui/ResourceIds.h"

#include "companions/pixo/PPixo.h"
#include "sendui/ImageFileIO.h"

#include "gif/Gif89a.h"

namespace email32 {

struct PictureAccess::Gif {
    CGif89a reader;
};

PictureAccess::PictureAccess() : m_gif(std::make_unique<Gif>()) {}
PictureAccess::~PictureAccess() = default;

bool PictureAccess::IsAnimated(const char* path) {
    // A GIF file that cannot be read is left alone like an animated one: it
    // is sent as it is instead of ending the dialog or the preparation.
    try {
        return m_gif->reader.IsAnimated(path) != FALSE;
    } catch (...) {
        return true;
    }
}

bool PictureAccess::HasExif(const char* path) { return email32::HasExif(CString(path)) != 0; }

PictureAccess::Outcome PictureAccess::Shrink(const char* source, const char* target, const Shrinking& shrinking) {
    // The size comes from the file without a decode; the picture is then
    // decoded once, straight at the smallest size its decoder reaches that is
    // still as large as the result, and scaled the rest of the way.
    const int width = shrinking.width;
    int height = 0;
    auto image = std::make_unique<PPixo>();
    {
        // Closed before the save: a decoder may hold the file open, and the
        // target may be the source.
        PictureFile file(source);
        if (!file.IsOpen() || file.Width() <= 0) return Outcome::NotLoaded;
        if (width > 0) {
            height = static_cast<int>(static_cast<double>(file.Height()) / file.Width() * width);
            if (height <= 0) return Outcome::NotLoaded;
        }
        if (width > 0 && !shrinking.trueColour) {
            const PictureFile::Scaling scaling{width, height, false, shrinking.helperThread};
            if (!file.LoadScaled(image.get(), 15, scaling)) return Outcome::NotLoaded;
        } else if (!file.Load(image.get(), 15, width, height)) {
            return Outcome::NotLoaded;
        }
    }
    if (shrinking.trueColour) {
        CString colour;
        colour.LoadString(IDS_TRUE_COLOR);
        if (!ConvertColourType(source, image.get(), colour)) return Outcome::NotLoaded;
        if (width > 0) {
            auto scaled = std::make_unique<PPixo>();
            (void)scaled->CreateImage(image->GetImageType(), width, height, 0, nullptr, 0, 0, 15, 0, 0);
            if (!scaled->RescaleImage(*image, nullptr, 0, 100)) return Outcome::NotLoaded;
            image = std::move(scaled);
        }
    }
    return SaveImageFile(target, image.get()) ? Outcome::Written : Outcome::NotWritten;
}

}  // namespace email32
