// The LZW coding of GIF image data: variable-length codes from the minimum
// code size + 1 up to 12 bits, packed least significant bit first into data
// sub-blocks of at most 255 bytes.
#pragma once

#include "gif/core/ByteView.h"

#include <cstddef>
#include <cstdint>

namespace email32::gif::core {

inline constexpr int kMaxCodes = 4096;

// Takes decoded rows: one byte per pixel, `width` bytes, for image row `row`
// (already mapped from file order when the image is interlaced).
class RowSink {
public:
    virtual void PutRow(int row, const std::uint8_t* pixels) = 0;

protected:
    ~RowSink() = default;
};

// Gives the rows to encode: one byte per pixel for the k-th row in file order.
class RowSource {
public:
    virtual const std::uint8_t* GetRow(int fileOrderIndex) = 0;

protected:
    ~RowSource() = default;
};

class ByteSink {
public:
    virtual void Write(const std::uint8_t* bytes, std::size_t count) = 0;

protected:
    ~ByteSink() = default;
};

// The image row that comes k-th in file order (GIF89a interlace order when
// `interlaced`: every 8th row from 0, every 8th from 4, every 4th from 2,
// every 2nd from 1).
[[nodiscard]] int ImageRowForFileOrder(int k, int height, bool interlaced) noexcept;

struct DecodeOutcome {
    std::size_t consumed = 0;  // bytes from the minimum code size byte on
    int rowsWritten = 0;
    bool endCodeSeen = false;
};

// Decodes image data starting at its minimum code size byte. Stops at the
// end code, at a code above the next free one, at a string-plus-first-
// character code with no previous string, at a zero-length sub-block (which
// it consumes), or where the view ends. A minimum code size outside 2...8
// consumes that one byte and decodes nothing. Rows only partly filled when
// decoding stops are not given to the sink. Widths or heights of 0 decode
// no rows, but the data is still walked.
DecodeOutcome DecodeLzw(ByteView data, int width, int height, bool interlaced, RowSink& sink);

// Encodes width x height pixels (each below 2^minCodeSize) taken from the
// source in file order: the minimum code size byte, the data sub-blocks and
// the zero-length terminator. The table fills to code 4095; the clear code
// follows the first code that found it full.
void EncodeLzw(int minCodeSize, int width, int height, RowSource& source, ByteSink& sink);

}  // namespace email32::gif::core
