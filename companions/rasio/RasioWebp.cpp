#include "companions/rasio/RasioWebp.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <memory>

namespace rasio::webp {

bool ReadInfo(const std::vector<BYTE>& file, PictureInfo& info) {
    WebPBitstreamFeatures features{};
    if (WebPGetFeatures(file.data(), file.size(), &features) != VP8_STATUS_OK || features.has_animation) return false;
    if (features.width <= 0 || features.height <= 0) return false;
    info = PictureInfo{};
    info.width = features.width;
    info.height = features.height;
    info.bits = 24;
    return true;
}

bool Decode(const std::vector<BYTE>& file, const Canvas& canvas) {
    PictureInfo info;
    if (canvas.Bits() != 24 || !ReadInfo(file, info) || info.width != canvas.width || info.height != canvas.height) {
        return false;
    }
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config) || WebPGetFeatures(file.data(), file.size(), &config.input) != VP8_STATUS_OK) {
        return false;
    }
    const std::size_t bytes = static_cast<std::size_t>(canvas.lineBytes) * static_cast<std::size_t>(canvas.height);
    if (!config.input.has_alpha) {
        // Straight into the picture's rows.
        config.output.colorspace = MODE_BGR;
        config.output.is_external_memory = 1;
        config.output.u.RGBA.rgba = canvas.bits;
        config.output.u.RGBA.stride = canvas.lineBytes;
        config.output.u.RGBA.size = bytes;
        return WebPDecode(file.data(), file.size(), &config) == VP8_STATUS_OK;
    }
    // Transparent parts are laid over white, as a picture viewer shows them.
    config.output.colorspace = MODE_BGRA;
    if (WebPDecode(file.data(), file.size(), &config) != VP8_STATUS_OK) return false;
    const std::unique_ptr<WebPDecBuffer, decltype(&WebPFreeDecBuffer)> owner(&config.output, WebPFreeDecBuffer);
    const WebPRGBABuffer& rgba = config.output.u.RGBA;
    for (int y = 0; y < canvas.height; ++y) {
        const uint8_t* in = rgba.rgba + static_cast<std::size_t>(y) * static_cast<std::size_t>(rgba.stride);
        BYTE* out = canvas.Line(y);
        for (int x = 0; x < canvas.width; ++x, in += 4, out += 3) {
            const unsigned alpha = in[3];
            for (int c = 0; c < 3; ++c) out[c] = static_cast<BYTE>((in[c] * alpha + 255 * (255 - alpha) + 127) / 255);
        }
    }
    return true;
}

void ReadMetadata(const std::vector<BYTE>& file, std::vector<BYTE>& exif, std::vector<BYTE>& icc) {
    exif.clear();
    icc.clear();
    const WebPData data{file.data(), file.size()};
    const std::unique_ptr<WebPDemuxer, decltype(&WebPDemuxDelete)> demux(WebPDemux(&data), WebPDemuxDelete);
    if (!demux) return;
    for (auto [fourcc, out] : {std::pair<const char*, std::vector<BYTE>*>{"EXIF", &exif}, {"ICCP", &icc}}) {
        WebPChunkIterator chunk{};
        if (WebPDemuxGetChunk(demux.get(), fourcc, 1, &chunk)) {
            out->assign(chunk.chunk.bytes, chunk.chunk.bytes + chunk.chunk.size);
        }
        WebPDemuxReleaseChunkIterator(&chunk);
    }
}

}  // namespace rasio::webp
