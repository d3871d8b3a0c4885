#include "sendui/PictureAccess.h"

#include "framework/CString.h"
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

bool PictureAccess::HasExif(const char* path) {
    return email32::HasExif(CString(path)) != 0;
}

bool PictureAccess::ConvertToTrueColour(const char* source, const char* target) {
    CString colour;
    colour.LoadString(IDS_TRUE_COLOR);
    auto image = std::make_unique<PPixo>();
    return ConvertColourType(source, image.get(), colour) && SaveImageFile(target, image.get());
}

PictureAccess::RescaleOutcome PictureAccess::Rescale(const char* path, int width) {
    // The size comes from the file without a decode; the picture is then
    // decoded once, straight at the smallest size its decoder reaches that is
    // still as large as the result, and scaled the rest of the way.
    auto scaled = std::make_unique<PPixo>();
    bool ok = false;
    {
        // Closed before the save: a decoder may hold the file open.
        PictureFile file(path);
        if (!file.IsOpen() || file.Width() <= 0) return RescaleOutcome::NotLoaded;
        const int height = static_cast<int>(static_cast<double>(file.Height()) / file.Width() * width);
        if (height <= 0) return RescaleOutcome::NotLoaded;
        auto source = std::make_unique<PPixo>();
        if (!file.Load(source.get(), 15, width, height)) return RescaleOutcome::NotLoaded;
        const HPALETTE palette = source->GetPalette(nullptr);
        (void)scaled->CreateImage(source->GetImageType(), width, height, 0, nullptr, 0, 0, 15, 0, 0);
        ok = scaled->RescaleImage(*source, nullptr, 0, 100) != FALSE;
        if (palette) scaled->SetPalette(palette, 1);
    }
    if (!ok) return RescaleOutcome::NotLoaded;
    return SaveImageFile(path, scaled.get()) ? RescaleOutcome::Written : RescaleOutcome::NotWritten;
}

}  // namespace email32
