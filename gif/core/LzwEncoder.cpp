#include "gif/core/Lzw.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace gifcore {
namespace {

constexpr int kHashSlots = 5003;

// Packs codes least significant bit first and hands the bytes out as data
// sub-blocks once 254 of them are complete.
class CodePacker {
public:
    explicit CodePacker(ByteSink& sink) : m_sink(sink) { std::memset(m_buffer, 0, sizeof m_buffer); }

    void SetWidth(int width) noexcept { m_width = width; }

    void PutCode(int code) {
        int index = m_bitCount / 8;
        const int offset = m_bitCount % 8;
        if (index >= 254) {
            WriteSubBlock(m_buffer, index);
            m_buffer[0] = m_buffer[index];
            index = 0;
            m_bitCount = offset;
        }
        const std::uint32_t shifted = static_cast<std::uint32_t>(code) << offset;
        m_buffer[index] = static_cast<std::uint8_t>(m_buffer[index] | (shifted & 0xFF));
        m_buffer[index + 1] = static_cast<std::uint8_t>(shifted >> 8);
        if (offset != 0) m_buffer[index + 2] = static_cast<std::uint8_t>(shifted >> 16);
        m_bitCount += m_width;
    }

    // The bytes still held, in sub-blocks of at most 255, then the terminator.
    void Finish() {
        int left = (m_bitCount + 7) / 8;
        const std::uint8_t* p = m_buffer;
        while (left > 0) {
            const int n = left > 255 ? 255 : left;
            WriteSubBlock(p, n);
            p += n;
            left -= n;
        }
        WriteSubBlock(nullptr, 0);
    }

private:
    void WriteSubBlock(const std::uint8_t* bytes, int count) {
        const std::uint8_t length = static_cast<std::uint8_t>(count);
        m_sink.Write(&length, 1);
        if (count > 0) m_sink.Write(bytes, static_cast<std::size_t>(count));
    }

    ByteSink& m_sink;
    std::uint8_t m_buffer[260];
    int m_bitCount = 0;
    int m_width = 0;
};

// Open-addressed table of the strings coded so far: (prefix code, next
// pixel) -> code. A slot packs the 20-bit key and the 12-bit code into one
// word, so a probe touches one cache line; 0 is an empty slot (no stored
// code is 0).
class StringTable {
public:
    StringTable() : m_slots(kHashSlots, 0) {}

    void Empty() {
        std::fill(m_slots.begin(), m_slots.end(), 0u);
        std::fill(m_front.begin(), m_front.end(), 0u);
    }

    // The code of (prefix, c), or -1 with `slot` at the empty slot to fill
    // (-1 too when the probe found none, which leaves the string uncoded).
    int Find(int prefix, int c, int& slot) {
        const std::uint32_t key = (static_cast<std::uint32_t>(prefix) << 8) | static_cast<std::uint32_t>(c);
        // Most strings met again are answered by the small direct-mapped
        // cache in front of the table; the probe would give the same code.
        std::uint32_t& cached = m_front[FrontIndex(key)];
        if ((cached >> 12) == key && cached != 0) return static_cast<int>(cached & 0xFFF);
        int s = ((c << 5) ^ prefix) % kHashSlots;
        int step = 1;
        for (int probes = 0; probes < kHashSlots; ++probes) {
            const std::uint32_t entry = m_slots[static_cast<std::size_t>(s)];
            if (entry == 0) {
                slot = s;
                return -1;
            }
            if ((entry >> 12) == key) {
                cached = entry;
                return static_cast<int>(entry & 0xFFF);
            }
            s += step;
            step += 2;
            if (s >= kHashSlots) s %= kHashSlots;
        }
        slot = -1;
        return -1;
    }

    void Store(int slot, int prefix, int c, int code) {
        const std::uint32_t key = (static_cast<std::uint32_t>(prefix) << 8) | static_cast<std::uint32_t>(c);
        m_slots[static_cast<std::size_t>(slot)] = (key << 12) | static_cast<std::uint32_t>(code);
        m_front[FrontIndex(key)] = (key << 12) | static_cast<std::uint32_t>(code);
    }

private:
    static constexpr int kFrontBits = 12;
    static std::size_t FrontIndex(std::uint32_t key) noexcept { return (key * 2654435761u) >> (32 - kFrontBits); }

    std::vector<std::uint32_t> m_slots;
    std::vector<std::uint32_t> m_front = std::vector<std::uint32_t>(std::size_t{1} << kFrontBits, 0u);
};

}  // namespace

void EncodeLzw(int minCodeSize, int width, int height, RowSource& source, ByteSink& sink) {
    const std::uint8_t m = static_cast<std::uint8_t>(minCodeSize);
    sink.Write(&m, 1);
    CodePacker packer(sink);
    StringTable table;

    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    int codeWidth = minCodeSize + 1;
    int nextCode = clear + 2;
    int widthLimit = 1 << codeWidth;
    table.Empty();
    packer.SetWidth(codeWidth);
    packer.PutCode(clear);

    if (width <= 0 || height <= 0) {
        packer.PutCode(end);
        packer.Finish();
        return;
    }

    const int pixelMask = clear - 1;
    const std::uint8_t* row = source.GetRow(0);
    int prefix = row[0] & pixelMask;
    int x = 1;
    int rowCounter = 1;
    for (;;) {
        if (x == width) {
            if (rowCounter >= height) break;
            row = source.GetRow(rowCounter);
            x = 0;
            ++rowCounter;
        }
        const int c = row[x++] & pixelMask;
        int slot = -1;
        const int found = table.Find(prefix, c, slot);
        if (found >= 0) {
            prefix = found;
            continue;
        }
        packer.PutCode(prefix);
        const int n = nextCode;
        if (n <= 4095) {
            if (slot >= 0) table.Store(slot, prefix, c, n);
            nextCode = n + 1;
        }
        if (n == widthLimit) {
            if (codeWidth < 12) {
                ++codeWidth;
                widthLimit *= 2;
            } else {
                packer.PutCode(clear);
                codeWidth = minCodeSize + 1;
                nextCode = clear + 2;
                widthLimit = 1 << codeWidth;
                table.Empty();
            }
            packer.SetWidth(codeWidth);
        }
        prefix = c;
    }
    packer.PutCode(prefix);
    // The decoder adds an entry for that last code too; when it brings its
    // table to the width limit it reads the end code one bit wider.
    if (nextCode == widthLimit && codeWidth < 12) packer.SetWidth(codeWidth + 1);
    packer.PutCode(end);
    packer.Finish();
}

}  // namespace gifcore
