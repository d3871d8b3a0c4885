// Arbitrary bytes through one of the own readers (FUZZ_FORMAT: pcx, tga or
// bmprle). Beyond crashes and undefined behaviour, it stops on an answer
// that breaks the readers' contract: a header of impossible size or depth,
// or a decode that leaves pixels unwritten (decoding into memory filled with
// 0x00 and with 0xFF must agree).
#include "companions/rasio/core/Readers.h"

#include <cstdlib>
#include <cstring>

namespace reader = rasiocore::FUZZ_FORMAT;

namespace {

// Pictures above this are skipped, as a caller's pixel limit would refuse
// them, so that every execution stays quick.
constexpr std::size_t kMaxPixelBytes = 1u << 18;

void Require(bool condition) {
    if (!condition) std::abort();
}

bool Decode(const rasiocore::ByteSpan file, const rasiocore::RasterInfo& info, std::size_t line, std::uint8_t fill,
            std::vector<std::uint8_t>& pixels) {
    pixels.assign(line * static_cast<std::size_t>(info.height), fill);
    return reader::Decode(file, rasiocore::RasterTarget{pixels.data(), line, info.width, info.height, info.bits});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The data's own copy, so that reads past its end are caught.
    const std::vector<std::uint8_t> copy(data, data + size);
    const rasiocore::ByteSpan file{copy.data(), copy.size()};
    rasiocore::RasterInfo info;
    if (!reader::ReadInfo(file, info)) return 0;
    const int b = info.bits;
    Require(info.width > 0 && info.height > 0);
    Require(b == 1 || b == 4 || b == 8 || b == 16 || b == 24 || b == 32);
    Require(b <= 8 ? !info.palette.empty() && info.palette.size() <= 256 : info.palette.empty());
    const std::size_t line = rasiocore::LineBytesFor(info.width, b);
    if (line == 0 || static_cast<std::size_t>(info.height) > kMaxPixelBytes / line) return 0;
    std::vector<std::uint8_t> zeros, ones;
    const bool decoded = Decode(file, info, line, 0x00, zeros);
    Require(Decode(file, info, line, 0xFF, ones) == decoded);
    if (!decoded) return 0;
    const std::size_t used = (static_cast<std::size_t>(info.width) * b + 7) / 8;
    for (std::size_t y = 0; y < static_cast<std::size_t>(info.height); ++y) {
        Require(std::memcmp(zeros.data() + y * line, ones.data() + y * line, used) == 0);
    }
    return 0;
}
