// Colour indices encoded by the LZW encoder and decoded again come back
// equal, whatever the size, depth and interlacing.
#include "gif/core/Lzw.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct Source final : email32::gif::core::RowSource {
    int width = 0, height = 0;
    bool interlaced = false;
    std::vector<std::uint8_t> pixels;
    const std::uint8_t* GetRow(int k) override {
        return pixels.data() +
               static_cast<std::size_t>(email32::gif::core::ImageRowForFileOrder(k, height, interlaced)) * width;
    }
};
struct Sink final : email32::gif::core::ByteSink {
    std::vector<std::uint8_t> bytes;
    void Write(const std::uint8_t* b, std::size_t n) override { bytes.insert(bytes.end(), b, b + n); }
};
struct Rows final : email32::gif::core::RowSink {
    int width = 0;
    std::vector<std::uint8_t> pixels;
    void PutRow(int row, const std::uint8_t* p) override {
        std::memcpy(pixels.data() + static_cast<std::size_t>(row) * width, p, static_cast<std::size_t>(width));
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const int m = 2 + data[0] % 7;
    const bool interlaced = (data[0] & 0x80) != 0;
    const std::size_t count = size - 2;
    const int width = std::min(1 + data[1] % 64, static_cast<int>(count));
    const int height = static_cast<int>(count) / width;
    Source source;
    source.width = width;
    source.height = height;
    source.interlaced = interlaced;
    // Long runs of one value come from the second byte's high bit, so that
    // the table fills through long strings as well as through noise.
    const bool runs = (data[1] & 0x80) != 0;
    for (int i = 0; i < width * height; ++i) {
        const std::uint8_t v =
            runs ? data[2 + static_cast<std::size_t>(i) / 16 % count] : data[2 + static_cast<std::size_t>(i)];
        source.pixels.push_back(static_cast<std::uint8_t>(v & ((1 << m) - 1)));
    }
    Sink sink;
    email32::gif::core::EncodeLzw(m, width, height, source, sink);
    Rows rows;
    rows.width = width;
    rows.pixels.assign(source.pixels.size(), 0xEE);
    const auto outcome = email32::gif::core::DecodeLzw(
        email32::gif::core::ByteView{sink.bytes.data(), sink.bytes.size()}, width, height, interlaced, rows);
    if (outcome.rowsWritten != height || !outcome.endCodeSeen || outcome.consumed != sink.bytes.size() ||
        rows.pixels != source.pixels)
        std::abort();
    return 0;
}
