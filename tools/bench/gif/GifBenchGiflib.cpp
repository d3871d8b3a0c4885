// giflib as one whole process, doing what gif_bench_ours does:
//   gif_bench_giflib encode IN OUT   encodes a raw file to a GIF file
//   gif_bench_giflib decode IN       decodes every image, prints a checksum
#include "tools/bench/gif/BenchFiles.h"

#include <gif_lib.h>

namespace {

int Encode(const char* in, const char* out) {
    gifbench::RawPictures raw;
    if (!gifbench::ReadRaw(in, raw)) return 2;
    int error = 0;
    GifFileType* gif = EGifOpenFileName(out, false, &error);
    if (!gif) return 2;
    EGifSetGifVersion(gif, true);
    bool ok =
        EGifPutScreenDesc(gif, static_cast<int>(raw.width), static_cast<int>(raw.height), 8, 0, nullptr) == GIF_OK;
    for (std::uint32_t i = 0; ok && i < raw.frames; ++i) {
        ColorMapObject* map = GifMakeMapObject(256, reinterpret_cast<const GifColorType*>(raw.table.data()));
        ok = EGifPutImageDesc(gif, 0, 0, static_cast<int>(raw.width), static_cast<int>(raw.height), false, map) ==
             GIF_OK;
        for (std::uint32_t y = 0; ok && y < raw.height; ++y)
            ok = EGifPutLine(gif, raw.Frame(i) + std::size_t{y} * raw.width, static_cast<int>(raw.width)) == GIF_OK;
        GifFreeMapObject(map);
    }
    return EGifCloseFile(gif, &error) == GIF_OK && ok ? 0 : 2;
}

int Decode(const char* in) {
    int error = 0;
    GifFileType* gif = DGifOpenFileName(in, &error);
    if (!gif) return 2;
    const bool ok = DGifSlurp(gif) == GIF_OK;
    std::uint64_t checksum = 0xCBF29CE484222325ull;
    for (int i = 0; ok && i < gif->ImageCount; ++i) {
        const SavedImage& image = gif->SavedImages[i];
        checksum =
            gifbench::Mix(checksum, image.RasterBits, std::size_t(image.ImageDesc.Width) * image.ImageDesc.Height);
    }
    gifbench::PrintDecoded(ok ? static_cast<std::size_t>(gif->ImageCount) : 0, checksum);
    DGifCloseFile(gif, &error);
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "encode" && argc == 4) return Encode(argv[2], argv[3]);
    if (mode == "decode" && argc == 3) return Decode(argv[2]);
    std::fprintf(stderr, "usage: gif_bench_giflib encode IN.raw OUT.gif | decode IN.gif\n");
    return 2;
}
