// The file library's own readers (core/) behind its reading interface: the
// header's picture within the pixel limit, decoded into the picture's memory.
#include "companions/rasio/RasioOwnFormats.h"

#include "companions/rasio/core/Readers.h"

namespace rasio {
namespace {

using InfoReader = bool (*)(rasiocore::ByteSpan, rasiocore::RasterInfo&);
using Decoder = bool (*)(rasiocore::ByteSpan, const rasiocore::RasterTarget&);

rasiocore::ByteSpan Span(const std::vector<BYTE>& file) { return rasiocore::ByteSpan{file.data(), file.size()}; }

bool ReadInfoWith(InfoReader read, const std::vector<BYTE>& file, PictureInfo& info) {
    rasiocore::RasterInfo raster;
    if (!read(Span(file), raster)) return false;
    info = PictureInfo{};
    info.width = raster.width;
    info.height = raster.height;
    info.bits = raster.bits;
    info.xPixelsPerMetre = raster.xPixelsPerMetre;
    info.yPixelsPerMetre = raster.yPixelsPerMetre;
    for (const rasiocore::Colour& c : raster.palette) info.palette.push_back(RGBQUAD{c.blue, c.green, c.red, 0});
    return WithinLimit(info.width, info.height, info.bits);
}

bool DecodeWith(InfoReader read, Decoder decode, const std::vector<BYTE>& file, Picture& picture) {
    if (!ReadInfoWith(read, file, picture.info) || !AllocatePicture(picture)) return false;
    const rasiocore::RasterTarget target{picture.pixels.data(), static_cast<std::size_t>(picture.lineBytes),
                                         picture.info.width, picture.info.height, picture.info.bits};
    return decode(Span(file), target);
}

}  // namespace

bool pcx::ReadInfo(const std::vector<BYTE>& file, PictureInfo& info) {
    return ReadInfoWith(rasiocore::pcx::ReadInfo, file, info);
}
bool pcx::Decode(const std::vector<BYTE>& file, Picture& picture) {
    return DecodeWith(rasiocore::pcx::ReadInfo, rasiocore::pcx::Decode, file, picture);
}
bool tga::ReadInfo(const std::vector<BYTE>& file, PictureInfo& info) {
    return ReadInfoWith(rasiocore::tga::ReadInfo, file, info);
}
bool tga::Decode(const std::vector<BYTE>& file, Picture& picture) {
    return DecodeWith(rasiocore::tga::ReadInfo, rasiocore::tga::Decode, file, picture);
}
bool bmp::ReadRleInfo(const std::vector<BYTE>& file, PictureInfo& info) {
    return ReadInfoWith(rasiocore::bmprle::ReadInfo, file, info);
}
bool bmp::DecodeRle(const std::vector<BYTE>& file, Picture& picture) {
    return DecodeWith(rasiocore::bmprle::ReadInfo, rasiocore::bmprle::Decode, file, picture);
}

}  // namespace rasio
