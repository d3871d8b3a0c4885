// Arbitrary bytes through one of the Exif scanners (FUZZ_SCANNER:
// JpegHasExif or TiffHasExif); crashes and undefined behaviour are findings.
#include "companions/tagscan/core/ExifScan.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The data's own copy, so that reads past its end are caught.
    const std::vector<std::uint8_t> copy(data, data + size);
    (void)tagscan::FUZZ_SCANNER(copy.data(), copy.size());
    return 0;
}
