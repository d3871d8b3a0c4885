#include "gif/core/Lzw.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace gifcore {

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

// Reads codes least significant bit first across the data sub-blocks,
// never beyond the view.
class CodeReader {
public:
    explicit CodeReader(ByteView data) : m_data(data) {}

    // False when the data ends first: at a zero-length sub-block (consumed)
    // or at the end of the view.
    bool Next(int width, int& code) {
        while (m_bits < width) {
            if (m_left == 0 && !NextSubBlock()) return false;
            m_accumulator |= static_cast<std::uint32_t>(m_data.At(m_position)) << m_bits;
            ++m_position;
            --m_left;
            m_bits += 8;
        }
        code = static_cast<int>(m_accumulator & ((1u << width) - 1));
        m_accumulator >>= width;
        m_bits -= width;
        return true;
    }

    [[nodiscard]] std::size_t Position() const noexcept { return m_position; }

private:
    bool NextSubBlock() {
        if (!m_data.Has(m_position)) return false;
        const std::size_t length = m_data.At(m_position);
        ++m_position;
        if (length == 0) return false;
        // A sub-block cut by the end of the file gives what it holds.
        m_left = std::min(length, m_data.size - m_position);
        return m_left != 0;
    }

    ByteView m_data;
    std::size_t m_position = 1;  // past the minimum code size byte
    std::size_t m_left = 0;      // bytes left in the current sub-block
    std::uint32_t m_accumulator = 0;
    int m_bits = 0;
};

// Collects decoded pixels into rows and hands complete rows to the sink in
// image row order.
class RowWriter {
public:
    RowWriter(int width, int height, bool interlaced, RowSink& sink)
        : m_width(width), m_height(height), m_interlaced(interlaced), m_sink(sink),
          m_row(static_cast<std::size_t>(width) + 4, 0) {}

    [[nodiscard]] bool Finished() const noexcept { return m_y >= m_height; }
    [[nodiscard]] int RowsWritten() const noexcept { return m_rowsWritten; }

    void Emit(const std::uint8_t* pixels, std::size_t count) {
        while (count > 0 && m_y < m_height) {
            const std::size_t n = std::min<std::size_t>(count, static_cast<std::size_t>(m_width - m_x));
            std::memcpy(m_row.data() + m_x, pixels, n);
            pixels += n;
            count -= n;
            m_x += static_cast<int>(n);
            if (m_x == m_width) EndRow();
        }
    }

private:
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
    int m_x = 0;
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
    const int minCodeSize = data.At(0);
    outcome.consumed = 1;
    if (minCodeSize < 2 || minCodeSize > 8) return outcome;
    if (width <= 0 || height <= 0) {
        outcome.consumed = SkipSubBlocks(data);
        return outcome;
    }

    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    int nextCode = clear + 2;
    int codeWidth = minCodeSize + 1;
    int widthLimit = 1 << codeWidth;
    int previous = -1;
    std::uint8_t firstOfPrevious = 0;

    std::vector<std::uint16_t> prefix(kMaxCodes, 0);
    std::vector<std::uint8_t> suffix(kMaxCodes, 0);
    for (int i = 0; i < clear; ++i) suffix[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    // A string is built backwards from the end of this buffer; the longest
    // has 4096 - clear - 1 characters.
    std::vector<std::uint8_t> string(kMaxCodes + 1);
    std::uint8_t* const stringEnd = string.data() + string.size();

    CodeReader reader(data);
    RowWriter rows(width, height, interlaced, sink);
    int code = 0;
    while (reader.Next(codeWidth, code)) {
        if (code == end) {
            outcome.endCodeSeen = true;
            break;
        }
        if (code > nextCode) break;
        if (code == clear) {
            nextCode = clear + 2;
            codeWidth = minCodeSize + 1;
            widthLimit = 1 << codeWidth;
            previous = -1;
            continue;
        }
        std::uint8_t* p = stringEnd;
        int walk = code;
        if (code == nextCode) {
            if (previous < 0) break;
            *--p = firstOfPrevious;
            walk = previous;
        }
        while (walk >= clear) {
            *--p = suffix[static_cast<std::size_t>(walk)];
            walk = prefix[static_cast<std::size_t>(walk)];
        }
        const std::uint8_t first = static_cast<std::uint8_t>(walk);
        *--p = first;
        rows.Emit(p, static_cast<std::size_t>(stringEnd - p));

        if (nextCode < kMaxCodes && previous >= 0) {
            prefix[static_cast<std::size_t>(nextCode)] = static_cast<std::uint16_t>(previous);
            suffix[static_cast<std::size_t>(nextCode)] = first;
            ++nextCode;
            if (nextCode >= widthLimit && codeWidth < 12) {
                ++codeWidth;
                widthLimit = 1 << codeWidth;
            }
        }
        previous = code;
        firstOfPrevious = first;
    }
    outcome.consumed = reader.Position();
    outcome.rowsWritten = rows.RowsWritten();
    return outcome;
}

}  // namespace gifcore
