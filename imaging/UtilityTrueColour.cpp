// Any picture copied into a 24-bit picture.
#include "public/Utility.h"

#include "companions/pixo/PPixo.h"

#include <new>
#include <vector>

int CUtility::TransToTrueClr(PPixo* destination, PPixo* source) {
    if (destination == nullptr || source == nullptr) return 1;
    if (destination == source) {
        // Re-creating the destination would throw the source away.
        (void)source->ConvertTo24bit(nullptr, 0, 100);
        return 1;
    }
    const int width = source->GetImageWidth();
    const int height = source->GetImageHeight();
    // A 24-bit destination is reused only when its rows fit the source's.
    const bool reusable = destination->GetImageType() == kPixoTrueColor && destination->GetImageWidth() == width &&
                          destination->GetImageHeight() == height;
    if (!reusable) {
        if (!destination->IsEmpty()) destination->DeleteImage(1);
        if (!destination->CreateImage(kPixoTrueColor, width, height, 0, nullptr, 0, 0, 15, 0, 0)) return 1;
    }
    try {
        std::vector<BYTE> line(static_cast<std::size_t>(destination->GetLineBytes()) + 4, 0);
        for (int row = 0; row < height; ++row) {
            if (source->Get24bitHorLine(0, width - 1, row, line.data(), nullptr)) {
                (void)destination->PutHorLine(row, line.data());
            }
        }
    } catch (const std::bad_alloc&) {
        // The destination keeps the rows it got.
    }
    return 1;
}
