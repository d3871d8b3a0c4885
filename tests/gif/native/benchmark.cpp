// The codec's core against giflib in the same run on the same pictures:
// decode time of a 4000 x 3000 8-bit GIF and of a 100-frame animation,
// encode time and output size. Prints the ratios (ours / giflib), best of
// seven runs each.
#include "tests/gif/native/GifDocument.h"

#include <gif_lib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::vector<giftest::Image> Pictures(int width, int height, int frames) {
    std::vector<giftest::Image> images;
    std::mt19937 random(3);
    for (int f = 0; f < frames; ++f) {
        giftest::Image image;
        image.width = width;
        image.height = height;
        image.minCodeSize = 8;
        for (int i = 0; i < 256; ++i) image.colourTable.insert(image.colourTable.end(), {std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i / 2)});
        image.indices.resize(static_cast<std::size_t>(width) * height);
        // Smooth bands with some noise, as a photograph reduced to 256 colours.
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image.indices[static_cast<std::size_t>(y) * width + x] =
                    static_cast<std::uint8_t>(((x / 7 + y / 5 + f * 3) + (random() % 4 == 0 ? random() % 6 : 0)) & 0xFF);
        images.push_back(std::move(image));
    }
    return images;
}

struct Buffer {
    std::vector<std::uint8_t> bytes;
    std::size_t position = 0;
};

std::vector<std::uint8_t> GiflibEncode(int width, int height, const std::vector<giftest::Image>& images) {
    Buffer out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, [](GifFileType* g, const GifByteType* b, int n) {
        auto* o = static_cast<Buffer*>(g->UserData);
        o->bytes.insert(o->bytes.end(), b, b + n);
        return n;
    }, &error);
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, width, height, 8, 0, nullptr);
    for (const auto& image : images) {
        ColorMapObject* map = GifMakeMapObject(256, reinterpret_cast<const GifColorType*>(image.colourTable.data()));
        EGifPutImageDesc(gif, 0, 0, image.width, image.height, false, map);
        for (int y = 0; y < image.height; ++y)
            EGifPutLine(gif, const_cast<GifPixelType*>(image.indices.data() + static_cast<std::size_t>(y) * image.width), image.width);
        GifFreeMapObject(map);
    }
    EGifCloseFile(gif, &error);
    return out.bytes;
}

std::size_t GiflibDecode(const std::vector<std::uint8_t>& bytes) {
    Buffer in{bytes, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&in, [](GifFileType* g, GifByteType* b, int n) {
        auto* i = static_cast<Buffer*>(g->UserData);
        const int take = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(n), i->bytes.size() - i->position));
        std::copy_n(i->bytes.data() + i->position, take, b);
        i->position += static_cast<std::size_t>(take);
        return take;
    }, &error);
    DGifSlurp(gif);
    const std::size_t count = static_cast<std::size_t>(gif->ImageCount);
    DGifCloseFile(gif, &error);
    return count;
}

// Best times of two contenders measured in alternation, so that a loaded
// machine slows both alike.
template <typename A, typename B>
std::pair<double, double> Best(A a, B b, int repeats) {
    double bestA = 1e9, bestB = 1e9;
    for (int i = 0; i < repeats; ++i) {
        auto start = Clock::now();
        a();
        bestA = std::min(bestA, std::chrono::duration<double>(Clock::now() - start).count());
        start = Clock::now();
        b();
        bestB = std::min(bestB, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return {bestA, bestB};
}

void Run(const char* title, int width, int height, int frames, int repeats) {
    const auto images = Pictures(width, height, frames);
    std::vector<std::uint8_t> theirs, ours;
    const auto [encodeTheirs, encodeOurs] = Best([&] { theirs = GiflibEncode(width, height, images); },
                                                 [&] { ours = giftest::Write(width, height, images); }, repeats);
    std::size_t n = 0;
    const auto [decodeTheirs, decodeOurs] = Best([&] { n += GiflibDecode(theirs); },
                                                 [&] { n += giftest::Read({theirs.data(), theirs.size()}).images.size(); }, repeats);
    const auto check = giftest::Read({ours.data(), ours.size()});
    const bool same = check.images.size() == images.size() && check.images.back().indices == images.back().indices;
    std::printf("%s\n", title);
    std::printf("  decode  giflib %8.1f ms  ours %8.1f ms  ratio %.2f\n", decodeTheirs * 1e3, decodeOurs * 1e3, decodeOurs / decodeTheirs);
    std::printf("  encode  giflib %8.1f ms  ours %8.1f ms  ratio %.2f\n", encodeTheirs * 1e3, encodeOurs * 1e3, encodeOurs / encodeTheirs);
    std::printf("  size    giflib %9zu B  ours %9zu B  ratio %.4f  (round trip %s)\n", theirs.size(), ours.size(),
                static_cast<double>(ours.size()) / static_cast<double>(theirs.size()), same ? "equal" : "DIFFERS");
}

}  // namespace

int main() {
    Run("4000 x 3000, 8 bits, one image", 4000, 3000, 1, 7);
    Run("100 frames of 320 x 240, 8 bits", 320, 240, 100, 7);
    return 0;
}
