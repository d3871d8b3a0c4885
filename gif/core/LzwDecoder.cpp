#include "gif/core/Lzw.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace email32::gif::core {

int ImageRowForFileOrder(int k, int height, bool interlaced) noexcept {
    if (!interlaced) return k;
    const int a = (height + 7) / 8;
    if (k < a) return 8 * k;
    k -= a;
    const int b = (height + 3) / 8;
    if (k < b) return 8 * k + 4;
    k -= b;
    const int c = (height + 1) / 4;
    if (k < c) return 4 * k + 2;
    k -= c;
    return 2 * k + 1;
}

namespace {

// Bytes past the end of a string or row buffer that the 16-byte copies may
// touch.
constexpr std::size_t kSlack = 16;

// Reads codes least significant bit first across the data sub-blocks,
// never beyond the view: eight bytes at a time from within a sub-block,
// one at a time near its end.
class CodeReader {
public:
    explicit CodeReader(ByteView data) noexcept : m_data(data) {}

    // False when the data ends first: at a zero-length sub-block (consumed)
    // or at the end of the view.
    bool Next(unsigned width, unsigned& code) noexcept {
        if (m_bits < width && !Refill(width)) return false;
        code = static_cast<unsigned>(m_accumulator) & ((1u << width) - 1);
        m_accumulator >>= width;
        m_bits -= width;
        return true;
    }

    // Past the zero-length sub-block that ends the image data, whatever
    // lies between: the rest of the current sub-block, further sub-blocks.
    [[nodiscard]] std::size_t EndOfData() noexcept {
        if (m_ended) return m_position;
        std::size_t position = m_position + m_left;
        while (m_data.Has(position)) {
            const std::size_t length = m_data.At(position);
            ++position;
            if (length == 0) return position;
            if (!m_data.Has(position, length)) return m_data.size;
            position += length;
        }
        return m_data.size;
    }

private:
    bool Refill(unsigned width) noexcept {
        if (m_left >= 8) {
            // Whole bytes that fit above the bits held.
            const unsigned take = (63 - m_bits) >> 3;
            // Assembled little-endian; compilers make this one load.
            const std::uint8_t* b = m_data.data + m_position;
            const std::uint64_t word = std::uint64_t{b[0]} | std::uint64_t{b[1]} << 8 | std::uint64_t{b[2]} << 16 |
                                       std::uint64_t{b[3]} << 24 | std::uint64_t{b[4]} << 32 |
                                       std::uint64_t{b[5]} << 40 | std::uint64_t{b[6]} << 48 |
                                       std::uint64_t{b[7]} << 56;
            m_accumulator |= word << m_bits;
            m_position += take;
            m_left -= take;
            m_bits += 8 * take;
            return true;
        }
        while (m_bits < width) {
            if (m_left == 0 && !NextSubBlock()) return false;
            m_accumulator |= static_cast<std::uint64_t>(m_data.At(m_position)) << m_bits;
            ++m_position;
            --m_left;
            m_bits += 8;
        }
        return true;
    }

    bool NextSubBlock() noexcept {
        if (!m_data.Has(m_position)) {
            m_ended = true;
            return false;
        }
        const std::size_t length = m_data.At(m_position);
        ++m_position;
        if (length == 0) {
            m_ended = true;
            return false;
        }
        // A sub-block cut by the end of the file gives what it holds.
        m_left = std::min(length, m_data.size - m_position);
        if (m_left == 0) m_ended = true;
        return m_left != 0;
    }

    ByteView m_data;
    std::size_t m_position = 1;  // past the minimum code size byte
    std::size_t m_left = 0;      // bytes left in the current sub-block
    std::uint64_t m_accumulator = 0;
    unsigned m_bits = 0;
    bool m_ended = false;  // the terminator (or the view's end) was met
};

// Collects decoded pixels into rows and hands complete rows to the sink in
// image row order.
class RowWriter {
public:
    RowWriter(int width, int height, bool interlaced, RowSink& sink)
        : m_width(width),
          m_height(height),
          m_interlaced(interlaced),
          m_sink(sink),
          m_row(static_cast<std::size_t>(width) + 4 + kSlack, 0) {}

    [[nodiscard]] int RowsWritten() const noexcept { return m_rowsWritten; }

    void Put(std::uint8_t pixel) {
        if (m_x + 1 < static_cast<std::size_t>(m_width)) {
            m_row[m_x++] = pixel;
            return;
        }
        Emit(&pixel, 1);
    }

    // `pixels` may be read up to 16 bytes past `count`.
    void Emit(const std::uint8_t* pixels, std::size_t count) {
        if (m_x + count < static_cast<std::size_t>(m_width)) {
            Copy(m_row.data() + m_x, pixels, count);
            m_x += count;
            return;
        }
        while (count > 0 && m_y < m_height) {
            const std::size_t n = std::min(count, static_cast<std::size_t>(m_width) - m_x);
            std::memcpy(m_row.data() + m_x, pixels, n);
            pixels += n;
            count -= n;
            m_x += n;
            if (m_x == static_cast<std::size_t>(m_width)) EndRow();
        }
    }

private:
    // Strings are short: whole 16-byte moves, no call.
    static void Copy(std::uint8_t* to, const std::uint8_t* from, std::size_t count) noexcept {
        for (std::size_t i = 0; i < count; i += 16) std::memcpy(to + i, from + i, 16);
    }

    void EndRow() {
        m_sink.PutRow(m_y, m_row.data());
        ++m_rowsWritten;
        m_x = 0;
        if (!m_interlaced) {
            ++m_y;
            return;
        }
        static constexpr int kStart[4] = {0, 4, 2, 1};
        static constexpr int kStep[4] = {8, 8, 4, 2};
        m_y += kStep[m_pass];
        while (m_y >= m_height && m_pass < 3) {
            ++m_pass;
            m_y = kStart[m_pass];
        }
    }

    int m_width;
    int m_height;
    bool m_interlaced;
    RowSink& m_sink;
    std::vector<std::uint8_t> m_row;
    std::size_t m_x = 0;
    int m_y = 0;
    int m_pass = 0;
    int m_rowsWritten = 0;
};

// Walks the sub-blocks without decoding; for images with no pixels.
std::size_t SkipSubBlocks(ByteView data) {
    std::size_t position = 1;
    while (data.Has(position)) {
        const std::size_t length = data.At(position);
        ++position;
        if (length == 0) return position;
        if (!data.Has(position, length)) return data.size;
        position += length;
    }
    return data.size;
}

}  // namespace

DecodeOutcome DecodeLzw(ByteView data, int width, int height, bool interlaced, RowSink& sink) {
    DecodeOutcome outcome;
    if (!data.Has(0)) return outcome;
    const unsigned minCodeSize = data.At(0);
    outcome.consumed = 1;
    if (minCodeSize < 2 || minCodeSize > 8) return outcome;
    if (width <= 0 || height <= 0) {
        outcome.consumed = SkipSubBlocks(data);
        return outcome;
    }

    const unsigned clear = 1u << minCodeSize;
    const unsigned end = clear + 1;
    unsigned nextCode = clear + 2;
    unsigned codeWidth = minCodeSize + 1;
    unsigned widthLimit = 1u << codeWidth;
    int previous = -1;
    std::uint8_t firstOfPrevious = 0;

    // Fixed tables on the stack, not cleared: an entry is read only once
    // the code it belongs to has been defined.
    std::uint32_t prefix[kMaxCodes];
    std::uint8_t suffix[kMaxCodes];
    // A string is built backwards towards the front of this buffer, ending
    // where the copy slack begins; the longest has 4096 - clear - 1
    // characters.
    std::uint8_t string[kMaxCodes + 1 + kSlack];
    std::uint8_t* const stringEnd = string + kMaxCodes + 1;

    CodeReader reader(data);
    RowWriter rows(width, height, interlaced, sink);
    unsigned code = 0;
    while (reader.Next(codeWidth, code)) {
        if (code >= clear) {
            if (code == end) {
                outcome.endCodeSeen = true;
                break;
            }
            if (code > nextCode) break;
            if (code == clear) {
                nextCode = clear + 2;
                codeWidth = minCodeSize + 1;
                widthLimit = 1u << codeWidth;
                previous = -1;
                continue;
            }
        }
        std::uint8_t first;
        if (code < clear) {
            // A pixel of its own: no string to build.
            first = static_cast<std::uint8_t>(code);
            rows.Put(first);
        } else {
            std::uint8_t* p = stringEnd;
            unsigned walk = code;
            if (code == nextCode) {
                if (previous < 0) break;
                *--p = firstOfPrevious;
                walk = static_cast<unsigned>(previous);
            }
            while (walk >= clear) {
                *--p = suffix[walk];
                walk = prefix[walk];
            }
            first = static_cast<std::uint8_t>(walk);
            *--p = first;
            rows.Emit(p, static_cast<std::size_t>(stringEnd - p));
        }

        if (nextCode < kMaxCodes && previous >= 0) {
            prefix[nextCode] = static_cast<std::uint32_t>(previous);
            suffix[nextCode] = first;
            ++nextCode;
            if (nextCode >= widthLimit && codeWidth < 12) {
                ++codeWidth;
                widthLimit = 1u << codeWidth;
            }
        }
        previous = static_cast<int>(code);
        firstOfPrevious = first;
    }
    // Parsing goes on after the image's data, also when bytes follow the
    // end code or decoding stopped at damage.
    outcome.consumed = reader.EndOfData();
    outcome.rowsWritten = rows.RowsWritten();
    return outcome;
}

}  // namespace email32::gif::core
