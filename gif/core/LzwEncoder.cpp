#include "gif/core/Lzw.h"

#include <cstring>

namespace email32::gif::core {
namespace {

constexpr int kHashSlots = 5003;

// Codes are held in the string table scrambled, as (x * 2481 + offset) mod
// 4096, a one-to-one mapping of the 12-bit codes: the table's hash,
// (c x 32) XOR prefix, then spreads neighbouring codes over the table instead
// of crowding them into runs of slots. The offset makes the clear code,
// which never starts a string, the one that scrambles to 0, so that no key
// is 0 and no empty slot (0) can match one. Pixels start as their own
// scrambled code; the real code is restored when one is written.
constexpr std::uint32_t kScramble = 2481;
constexpr std::uint32_t kUnscramble = [] {
    std::uint32_t inverse = 1;
    while (((inverse * kScramble) & 0xFFF) != 1) inverse += 2;
    return inverse;
}();

class Scrambler {
public:
    explicit Scrambler(std::uint32_t clear) noexcept : m_offset((0u - clear * kScramble) & 0xFFF) {}
    [[nodiscard]] std::uint32_t operator()(std::uint32_t code) const noexcept {
        return (code * kScramble + m_offset) & 0xFFF;
    }
    [[nodiscard]] std::uint32_t Undo(std::uint32_t code) const noexcept {
        return ((code - m_offset) * kUnscramble) & 0xFFF;
    }

private:
    std::uint32_t m_offset;
};

// Packs codes least significant bit first into a 64-bit accumulator that
// is stored four bytes at a time, and hands the bytes out as a data
// sub-block (length byte and data in one write) once 254 are complete.
// Codes come in batches, each with its width: (width << 12) | code.
class CodePacker {
public:
    explicit CodePacker(ByteSink& sink) noexcept : m_sink(sink) {}

    void Put(const std::uint32_t* codes, int count) {
        int index = m_index;
        std::uint64_t accumulator = m_accumulator;
        int bits = m_bits;
        for (int i = 0; i < count; ++i) {
            if (index + (bits >> 3) >= 254) {
                // 254 or 255 whole bytes go out; the partial byte stays.
                TakeWholeBytes(index, accumulator, bits);
                WriteSubBlock(0, index);
                index = 0;
            }
            accumulator |= static_cast<std::uint64_t>(codes[i] & 0xFFF) << bits;
            bits += static_cast<int>(codes[i] >> 12);
            if (bits >= 32) {
                const auto low = static_cast<std::uint32_t>(accumulator);
                const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(low), static_cast<std::uint8_t>(low >> 8),
                                               static_cast<std::uint8_t>(low >> 16),
                                               static_cast<std::uint8_t>(low >> 24)};
                std::memcpy(m_block + 1 + index, bytes, 4);
                index += 4;
                accumulator >>= 32;
                bits -= 32;
            }
        }
        m_index = index;
        m_accumulator = accumulator;
        m_bits = bits;
    }

    // The bytes still held (up to 256), in sub-blocks of at most 255, then
    // the terminator.
    void Finish() {
        TakeWholeBytes(m_index, m_accumulator, m_bits);
        if (m_bits > 0) m_block[1 + m_index++] = static_cast<std::uint8_t>(m_accumulator);
        int from = 0;
        while (m_index - from > 0) {
            const int n = m_index - from > 255 ? 255 : m_index - from;
            WriteSubBlock(from, n);
            from += n;
        }
        const std::uint8_t terminator = 0;
        m_sink.Write(&terminator, 1);
    }

private:
    void TakeWholeBytes(int& index, std::uint64_t& accumulator, int& bits) noexcept {
        while (bits >= 8) {
            m_block[1 + index++] = static_cast<std::uint8_t>(accumulator);
            accumulator >>= 8;
            bits -= 8;
        }
    }

    // The length goes in the byte before the data: the block's own length
    // byte, or the last data byte of a sub-block already written.
    void WriteSubBlock(int from, int count) {
        m_block[from] = static_cast<std::uint8_t>(count);
        m_sink.Write(m_block + from, static_cast<std::size_t>(count) + 1);
    }

    ByteSink& m_sink;
    // The length byte, then up to 253 complete bytes, a four-byte store and
    // the accumulator's last bytes.
    std::uint8_t m_block[1 + 264] = {};
    int m_index = 0;  // complete bytes in the block
    std::uint64_t m_accumulator = 0;
    int m_bits = 0;  // bits held in the accumulator
};

// Codes wait here and go to the packer 256 at a time, so that the pixel
// loop stays small.
class CodeQueue {
public:
    explicit CodeQueue(CodePacker& packer) noexcept : m_packer(packer) {}

    void Put(std::uint32_t code, int width) {
        m_codes[m_count++] = (static_cast<std::uint32_t>(width) << 12) | code;
        if (m_count == kCapacity) Flush();
    }

    void Flush() {
        m_packer.Put(m_codes, m_count);
        m_count = 0;
    }

private:
    static constexpr int kCapacity = 256;
    CodePacker& m_packer;
    std::uint32_t m_codes[kCapacity];
    int m_count = 0;
};

}  // namespace

void EncodeLzw(int minCodeSize, int width, int height, RowSource& source, ByteSink& sink) {
    const std::uint8_t m = static_cast<std::uint8_t>(minCodeSize);
    sink.Write(&m, 1);
    CodePacker packer(sink);
    CodeQueue codes(packer);
    // The string table: 5003 open-addressed slots, each the 20-bit key
    // (prefix code, next pixel) above the 12-bit code, scrambled; 0 is an
    // empty slot.
    std::uint32_t slots[kHashSlots];
    std::memset(slots, 0, sizeof slots);

    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    int codeWidth = minCodeSize + 1;
    int nextCode = clear + 2;
    int widthLimit = 1 << codeWidth;
    codes.Put(static_cast<std::uint32_t>(clear), codeWidth);
    if (width <= 0 || height <= 0) {
        codes.Put(static_cast<std::uint32_t>(end), codeWidth);
        codes.Flush();
        packer.Finish();
        return;
    }

    const Scrambler scramble(static_cast<std::uint32_t>(clear));
    const std::uint32_t pixelMask = static_cast<std::uint32_t>(clear - 1);
    const std::uint8_t* row = source.GetRow(0);
    std::uint32_t prefix = scramble(row[0] & pixelMask);
    int x = 1;
    for (int rowCounter = 1;; ++rowCounter) {
        for (; x < width; ++x) {
            const std::uint32_t c = row[x] & pixelMask;
            const std::uint32_t key = (prefix << 8) | c;
            const std::uint32_t single = scramble(c);
            int s = static_cast<int>((c << 5) ^ prefix);
            if (s >= kHashSlots) s -= kHashSlots;
            std::uint32_t entry = slots[s];
            if ((entry >> 12) == key) {
                prefix = entry & 0xFFF;
                continue;
            }
            // Probe on by 1, 3, 5, ... slots to the key or an empty slot.
            int step = 1;
            while (entry != 0) {
                s += step;
                step += 2;
                if (s >= kHashSlots) s %= kHashSlots;
                entry = slots[s];
                if ((entry >> 12) == key) break;
                if (step > 2 * kHashSlots) {
                    // Every slot this probe reaches is taken: the string
                    // stays out of the table (a missed match, valid output).
                    s = kHashSlots;
                    break;
                }
            }
            if (entry != 0 && s < kHashSlots) {
                prefix = entry & 0xFFF;
                continue;
            }
            codes.Put(scramble.Undo(prefix), codeWidth);
            const int n = nextCode;
            if (n <= 4095) {
                if (s < kHashSlots) slots[s] = (key << 12) | scramble(static_cast<std::uint32_t>(n));
                nextCode = n + 1;
            }
            if (n == widthLimit) {
                if (codeWidth < 12) {
                    ++codeWidth;
                    widthLimit *= 2;
                } else {
                    codes.Put(static_cast<std::uint32_t>(clear), codeWidth);
                    codeWidth = minCodeSize + 1;
                    nextCode = clear + 2;
                    widthLimit = 1 << codeWidth;
                    std::memset(slots, 0, sizeof slots);
                }
            }
            prefix = single;
        }
        if (rowCounter >= height) break;
        row = source.GetRow(rowCounter);
        x = 0;
    }
    codes.Put(scramble.Undo(prefix), codeWidth);
    // The decoder adds an entry for that last code too; when it brings its
    // table to the width limit it reads the end code one bit wider.
    codes.Put(static_cast<std::uint32_t>(end), nextCode == widthLimit && codeWidth < 12 ? codeWidth + 1 : codeWidth);
    codes.Flush();
    packer.Finish();
}

}  // namespace email32::gif::core
