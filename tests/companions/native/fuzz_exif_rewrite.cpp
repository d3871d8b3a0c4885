// Arbitrary bytes through the Exif and JPEG segment rewriters, as a JPEG
// file when they start like one, else as an Exif block. Besides crashes and
// undefined behaviour, a finding is a result that breaks what the rewriters
// promise: a rewritten block that its own rewrite changes, or that still has
// an orientation other than 1, a rewritten file that does not carry the new
// block and the same ICC profile.
#include "companions/tagscan/core/ExifRewrite.h"
#include "companions/tagscan/core/JpegSegments.h"

#include <cstdlib>
#include <vector>

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

void RewriteBlock(const std::uint8_t* data, std::size_t size, const tagscan::ExifRewriteOptions& options,
                  std::vector<std::uint8_t>& out) {
    (void)tagscan::ExifOrientation(data, size);
    if (!tagscan::RewriteExif(data, size, options, out)) {
        Check(out.empty());
        return;
    }
    Check(out.size() <= tagscan::kMaxExifBlock);
    Check(tagscan::ExifOrientation(out.data(), out.size()) == 1);
    std::vector<std::uint8_t> again;
    Check(tagscan::RewriteExif(out.data(), out.size(), options, again) && again == out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    // The first byte chooses the options; the rest is the file, in a copy of
    // its own so that reads past its end are caught.
    const tagscan::ExifRewriteOptions options{(data[0] & 1) != 0, data[0] & 2 ? 640u : 0u, data[0] & 2 ? 480u : 0u};
    const std::vector<std::uint8_t> copy(data + 1, data + size);
    std::vector<std::uint8_t> block;
    if (copy.size() >= 2 && copy[0] == 0xFF && copy[1] == 0xD8) {
        tagscan::JpegMetadata meta;
        if (!tagscan::ReadJpegMetadata(copy.data(), copy.size(), meta)) return 0;
        if (meta.exif) RewriteBlock(meta.exif, meta.exifSize, options, block);
        std::vector<std::uint8_t> out;
        if (!tagscan::RewriteJpegSegments(copy.data(), copy.size(), block, out)) {
            Check(out.empty());
            return 0;
        }
        tagscan::JpegMetadata written;
        Check(tagscan::ReadJpegMetadata(out.data(), out.size(), written));
        Check(std::vector<std::uint8_t>(written.exif, written.exif + written.exifSize) == block);
        Check(written.icc == meta.icc);
        return 0;
    }
    const std::size_t start = tagscan::ExifItemTiff(copy.data(), copy.size());
    RewriteBlock(copy.data() + start, copy.size() - start, options, block);
    const std::size_t tiff = tagscan::ExifTiffStart(copy.data(), copy.size());
    RewriteBlock(copy.data() + tiff, copy.size() - tiff, options, block);
    return 0;
}
