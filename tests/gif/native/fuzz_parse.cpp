// Arbitrary bytes parsed as a GIF file through the codec's block loop,
// block readers and LZW decoder.
#include "tests/gif/native/GifDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The data's own copy, so that reads past its end are caught.
    std::vector<std::uint8_t> copy(data, data + size);
    // Images claiming huge sizes are decoded without being kept.
    (void)giftest::Read(email32::gif::core::ByteView{copy.data(), copy.size()}, 1u << 16);
    return 0;
}
