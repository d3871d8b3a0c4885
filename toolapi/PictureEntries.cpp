// The tool entries over the image-file adapter.
#include "toolapi/PictureEntries.h"

#include "companions/pixo/PPixo.h"
#include "companions/rasio/Rasio32.h"
#include "sendui/AttachmentPreparationWork.h"
#include "sendui/ImageFileIO.h"
#include "sendui/ResourceIds.h"

#include <cstring>
#include <memory>

namespace email32::toolapi {
namespace {

bool EndsWithJpg(const char* path) {
    const std::size_t n = std::strlen(path);
    return n >= 4 && ::lstrcmpiA(path + n - 4, ".jpg") == 0;
}

}  // namespace

PictureStatus ConvertPictureFile(const char* input, const char* output, int width, PictureSummary* saved) {
    if (input == nullptr || output == nullptr) return PictureStatus::ReadFailed;
    auto image = std::make_unique<PPixo>();
    int height = 0;
    bool scaleAfterLoading = width > 0;
    {
        // Closed before the save, which may replace the same file.
        sendui::PictureFile file(input);
        if (!file.IsOpen()) return PictureStatus::ReadFailed;
        if (width > 0) {
            const double exact = static_cast<double>(file.Height()) / file.Width() * width;
            height = exact < 1.0 ? 1 : (exact > 2147483647.0 ? 0 : static_cast<int>(exact));
            if (height <= 0) return PictureStatus::ScaleFailed;
        }
        if (width > 0 && file.ReadsScaled()) {
            // Scaled row by row as it is decoded, a large picture's decode
            // shared with a second thread.
            if (PPixo::LineBytesFor(width, 24) > PPixo::kMaxPixelBytes / static_cast<std::size_t>(height)) {
                return PictureStatus::ScaleFailed;
            }
            const sendui::PictureFile::Scaling scaling{width, height, true, sendui::ProcessorsAvailable() > 1};
            if (!file.LoadScaled(image.get(), 15, scaling)) return PictureStatus::ReadFailed;
            scaleAfterLoading = false;
        } else if (!file.Load(image.get(), 15, width, height)) {
            // Decoded once, at no more than the result needs where the format
            // allows.
            return PictureStatus::ReadFailed;
        }
    }
    const bool toJpeg = EndsWithJpg(output);
    CString trueColour;
    trueColour.LoadString(IDS_TRUE_COLOR);
    // Converting before scaling gives the same result type and lets an
    // indexed picture be scaled in true colour rather than back onto its
    // palette.
    if (toJpeg && !sendui::ConvertColourType(input, image.get(), trueColour)) return PictureStatus::ConvertFailed;
    if (scaleAfterLoading) {
        auto scaled = std::make_unique<PPixo>();
        if (!scaled->CreateImage(image->GetImageType(), width, height, 0, nullptr, image->GetXDensity(),
                                 image->GetYDensity(), 15, 0, 0) ||
            !scaled->RescaleImage(*image, nullptr, 0, 100)) {
            return PictureStatus::ScaleFailed;
        }
        image = std::move(scaled);
    }
    if (!sendui::SaveImageFile(output, image.get())) return PictureStatus::WriteFailed;
    if (saved != nullptr)
        *saved = PictureSummary{image->GetImageWidth(), image->GetImageHeight(), image->GetImageType()};
    return PictureStatus::Ok;
}

int PictureFileHasExif(const char* path) { return path ? sendui::HasExif(CString(path)) : 0; }

}  // namespace email32::toolapi
