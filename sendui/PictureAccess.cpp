#include "sendui/PictureAccess.h"

#include "public/framework/CString.h"
#include "sendui/ResourceIds.h"

#include "companions/pixo/PPixo.h"
#include "companions/rasio/Rasio32.h"
#include "companions/tagscan/Tagscan.h"
#include "sendui/ImageFileIO.h"

#include "gif/Gif89a.h"

namespace email32::sendui {

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

bool PictureAccess::HasExif(const char* path) { return email32::sendui::HasExif(CString(path)) != 0; }

bool PictureAccess::CanRead(const char* path) { return PictureFile(path).IsOpen(); }

PictureAccess::Outcome PictureAccess::Shrink(const char* source, const char* target, const Shrinking& shrinking) {
    if (shrinking.photo) return ShrinkPhoto(source, target, shrinking);
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

PictureAccess::Outcome PictureAccess::ShrinkPhoto(const char* source, const char* target, const Shrinking& shrinking) {
    RasioMetadata metadata;
    auto image = std::make_unique<PPixo>();
    int width = 0, height = 0, orientation = 1;
    {
        PictureFile file(source);
        if (!file.IsOpen() || file.Width() <= 0 || !file.Metadata(metadata)) return Outcome::NotLoaded;
        if (!metadata.upright) orientation = ExifBlockOrientation(metadata.exif.data(), metadata.exif.size());
        // The size as the photo is shown, then as it is sent.
        const bool across = orientation >= 5;
        const int shownWidth = across ? file.Height() : file.Width();
        const int shownHeight = across ? file.Width() : file.Height();
        width = shrinking.width > 0 ? shrinking.width : shownWidth;
        height =
            shrinking.width > 0 ? static_cast<int>(static_cast<double>(shownHeight) / shownWidth * width) : shownHeight;
        if (height <= 0) return Outcome::NotLoaded;
        std::vector<BYTE> exif;
        if (!metadata.exif.empty() && !RewriteExifBlock(metadata.exif.data(), metadata.exif.size(),
                                                        shrinking.keepLocation, width, height, &exif)) {
            exif.clear();
        }
        metadata.exif = std::move(exif);
        // Already upright and at its size: the compressed picture goes as it
        // is, only its metadata changes.
        if (shrinking.width <= 0 && orientation == 1 && file.IsJpeg() &&
            RasioCopyJpegWithExif(source, target, metadata.exif)) {
            return Outcome::Written;
        }
        const int storedWidth = across ? height : width;
        const int storedHeight = across ? width : height;
        const bool loaded =
            storedWidth == file.Width() && storedHeight == file.Height()
                ? file.Load(image.get(), 15)
                : file.LoadScaled(image.get(), 15, {storedWidth, storedHeight, false, shrinking.helperThread});
        if (!loaded) return Outcome::NotLoaded;
    }
    if (image->GetImageType() != kPixoTrueColor && image->GetImageType() != kPixoGray256) {
        CString colour;
        colour.LoadString(IDS_TRUE_COLOR);
        if (!ConvertColourType(source, image.get(), colour)) return Outcome::NotLoaded;
    }
    if (orientation != 1) {
        auto turned = std::make_unique<PPixo>();
        if (!turned->TurnImage(*image, orientation)) return Outcome::NotLoaded;
        image = std::move(turned);
    }
    PixoLmmInfo record{};
    if (!image->GetLmmInfo(&record)) return Outcome::NotLoaded;
    return RasioSaveJpegWithMetadata(target, &record, image->GetLmmOffset(), metadata) ? Outcome::Written
                                                                                       : Outcome::NotWritten;
}

}  // namespace email32::sendui
