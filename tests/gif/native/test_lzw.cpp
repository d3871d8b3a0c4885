// The LZW decoder's stopping rules and row order, and the encoder's table,
// code widths and sub-block packing, checked by decoding what it writes.
#include "gif/core/Lzw.h"
#include "gif/core/RowPacking.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace email32::gif::core;

namespace {

// Writes codes at chosen widths, as a hand-made image data stream.
struct CodeWriter {
    std::vector<std::uint8_t> bytes;
    std::uint32_t acc = 0;
    int bits = 0;
    void Put(int code, int width) {
        acc |= static_cast<std::uint32_t>(code) << bits;
        bits += width;
        while (bits >= 8) {
            bytes.push_back(static_cast<std::uint8_t>(acc));
            acc >>= 8;
            bits -= 8;
        }
    }
    std::vector<std::uint8_t> Stream(int minCodeSize) {
        if (bits > 0) bytes.push_back(static_cast<std::uint8_t>(acc));
        std::vector<std::uint8_t> out{static_cast<std::uint8_t>(minCodeSize)};
        for (std::size_t i = 0; i < bytes.size(); i += 255) {
            const std::size_t n = std::min<std::size_t>(255, bytes.size() - i);
            out.push_back(static_cast<std::uint8_t>(n));
            out.insert(out.end(), bytes.begin() + static_cast<long>(i), bytes.begin() + static_cast<long>(i + n));
        }
        out.push_back(0);
        return out;
    }
};

struct Rows final : email32::gif::core::RowSink {
    int width;
    std::vector<std::vector<std::uint8_t>> rows;
    std::vector<int> order;
    Rows(int w, int h) : width(w), rows(static_cast<std::size_t>(h)) {}
    void PutRow(int row, const std::uint8_t* pixels) override {
        order.push_back(row);
        rows.at(static_cast<std::size_t>(row)).assign(pixels, pixels + width);
    }
};

struct Pixels final : email32::gif::core::RowSource {
    int width, height;
    bool interlaced;
    std::vector<std::uint8_t> data;
    Pixels(int w, int h, bool i, std::vector<std::uint8_t> d)
        : width(w), height(h), interlaced(i), data(std::move(d)) {}
    const std::uint8_t* GetRow(int k) override {
        return data.data() +
               static_cast<std::size_t>(email32::gif::core::ImageRowForFileOrder(k, height, interlaced)) * width;
    }
};

struct Bytes final : email32::gif::core::ByteSink {
    std::vector<std::uint8_t> out;
    void Write(const std::uint8_t* b, std::size_t n) override { out.insert(out.end(), b, b + n); }
};

std::vector<std::uint8_t> Encode(Pixels& pixels, int m) {
    Bytes bytes;
    email32::gif::core::EncodeLzw(m, pixels.width, pixels.height, pixels, bytes);
    return bytes.out;
}

email32::gif::core::ByteView View(const std::vector<std::uint8_t>& v) {
    return email32::gif::core::ByteView{v.data(), v.size()};
}

// Reads back the codes of an encoded stream, tracking the widths as a
// decoder does; stops at the end code.
std::vector<int> Codes(const std::vector<std::uint8_t>& stream) {
    std::vector<std::uint8_t> data;
    std::size_t p = 1;
    while (p < stream.size() && stream[p] != 0) {
        data.insert(data.end(), stream.begin() + static_cast<long>(p + 1),
                    stream.begin() + static_cast<long>(p + 1 + stream[p]));
        p += 1 + stream[p];
    }
    const int m = stream[0], clear = 1 << m;
    int width = m + 1, next = clear + 2, previous = -1;
    std::vector<int> codes;
    std::size_t bit = 0;
    while (bit + static_cast<std::size_t>(width) <= data.size() * 8) {
        int code = 0;
        for (int i = 0; i < width; ++i, ++bit) code |= ((data[bit / 8] >> (bit % 8)) & 1) << i;
        codes.push_back(code);
        if (code == clear + 1) break;
        if (code == clear) {
            width = m + 1, next = clear + 2, previous = -1;
            continue;
        }
        if (previous >= 0 && next < 4096 && ++next >= (1 << width) && width < 12) ++width;
        previous = code;
    }
    return codes;
}

}  // namespace

TEST(LzwRows, InterlacedOrderAndSmallHeights) {
    std::vector<int> mapped;
    for (int k = 0; k < 10; ++k) mapped.push_back(email32::gif::core::ImageRowForFileOrder(k, 10, true));
    EXPECT_EQ(mapped, (std::vector<int>{0, 8, 4, 2, 6, 1, 3, 5, 7, 9}));

    for (int height : {1, 2, 10}) {
        Pixels pixels{3, height, true, {}};
        for (int i = 0; i < 3 * height; ++i) pixels.data.push_back(static_cast<std::uint8_t>(i / 3 % 4));
        const auto stream = Encode(pixels, 2);
        Rows rows(3, height);
        const email32::gif::core::DecodeOutcome outcome =
            email32::gif::core::DecodeLzw(View(stream), 3, height, true, rows);
        EXPECT_EQ(outcome.rowsWritten, height);
        if (height == 10) EXPECT_EQ(rows.order, mapped);
        for (int y = 0; y < height; ++y) EXPECT_EQ(rows.rows[static_cast<std::size_t>(y)][0], y % 4) << height;
    }
}

TEST(LzwRows, PackAndUnpackAtEachDepth) {
    std::uint8_t row[12] = {1, 0, 0, 0, 0, 0, 0, 1};
    email32::gif::core::PackRow(row, 8, 1, email32::gif::core::RowStride(8, 1));
    EXPECT_EQ(row[0], 0x81);
    std::uint8_t nibbles[12] = {0xA, 0x5, 0xF};
    email32::gif::core::PackRow(nibbles, 3, 4, email32::gif::core::RowStride(3, 4));
    EXPECT_EQ(nibbles[0], 0xA5);
    EXPECT_EQ(nibbles[1], 0xF0);
    std::uint8_t out[8];
    email32::gif::core::UnpackRow(nibbles, 3, 16, out);
    EXPECT_EQ(std::vector<int>(out, out + 3), (std::vector<int>{0xA, 0x5, 0xF}));
    email32::gif::core::UnpackRow(row, 8, 2, out);
    EXPECT_EQ(std::vector<int>(out, out + 8), (std::vector<int>{1, 0, 0, 0, 0, 0, 0, 1}));
    email32::gif::core::UnpackRow(row, 8, 0, out);  // no table: one bit per pixel
    EXPECT_EQ(out[7], 1);
}

TEST(LzwDecoder, StopsOnDamageAndReportsWhatItConsumed) {
    {  // After the clear code, code clear + 2 has no previous string.
        CodeWriter w;
        w.Put(4, 3);
        w.Put(6, 3);
        w.Put(0, 3);
        const auto stream = w.Stream(2);
        Rows rows(1, 1);
        EXPECT_EQ(email32::gif::core::DecodeLzw(View(stream), 1, 1, false, rows).rowsWritten, 0);
    }
    {  // A code above the next free code ends decoding; rows so far stay.
        CodeWriter w;
        w.Put(4, 3);
        w.Put(1, 3);
        w.Put(7, 3);
        w.Put(2, 3);
        const auto stream = w.Stream(2);
        Rows rows(1, 3);
        EXPECT_EQ(email32::gif::core::DecodeLzw(View(stream), 1, 3, false, rows).rowsWritten, 1);
    }
    for (int m : {1, 9, 0, 12}) {  // minimum code size outside 2...8
        const std::vector<std::uint8_t> stream{static_cast<std::uint8_t>(m), 2, 0x55, 0x55, 0};
        Rows rows(2, 2);
        const email32::gif::core::DecodeOutcome outcome =
            email32::gif::core::DecodeLzw(View(stream), 2, 2, false, rows);
        EXPECT_EQ(outcome.consumed, 1u);
        EXPECT_EQ(outcome.rowsWritten, 0);
    }
    {
        // The image data ends past its terminator, also when bytes follow
        // the end code in its sub-block and in further sub-blocks, or when
        // decoding stopped at damage.
        Pixels pixels{4, 4, false, std::vector<std::uint8_t>(16, 1)};
        auto stream = Encode(pixels, 2);
        Rows rows(4, 4);
        const email32::gif::core::DecodeOutcome outcome =
            email32::gif::core::DecodeLzw(View(stream), 4, 4, false, rows);
        EXPECT_TRUE(outcome.endCodeSeen);
        EXPECT_EQ(outcome.consumed, stream.size());

        stream.pop_back();
        stream[1] = static_cast<std::uint8_t>(stream[1] + 3);
        stream.insert(stream.begin() + 2 + (stream[1] - 3), {0x21, 0xF9, 0x3B});
        stream.insert(stream.end(), {2, 0x2C, 0x21, 0, 0x2C});
        Rows again(4, 4);
        const email32::gif::core::DecodeOutcome trailing =
            email32::gif::core::DecodeLzw(View(stream), 4, 4, false, again);
        EXPECT_TRUE(trailing.endCodeSeen);
        EXPECT_EQ(trailing.rowsWritten, 4);
        EXPECT_EQ(trailing.consumed, stream.size() - 1);

        CodeWriter w;
        w.Put(4, 3);
        w.Put(7, 3);  // above the next free code
        auto damaged = w.Stream(2);
        damaged.pop_back();
        damaged.insert(damaged.end(), {1, 0x55, 0, 0x3B});
        Rows none(2, 2);
        EXPECT_EQ(email32::gif::core::DecodeLzw(View(damaged), 2, 2, false, none).consumed, damaged.size() - 1);
    }
    {  // A sub-block claiming more bytes than the file holds: no read past it.
        std::vector<std::uint8_t> stream{2, 200, 0x8C, 0x2D};
        Rows rows(40, 40);
        const email32::gif::core::DecodeOutcome outcome =
            email32::gif::core::DecodeLzw(View(stream), 40, 40, false, rows);
        EXPECT_LE(outcome.consumed, stream.size());
    }
    {  // A zero-sized image decodes nothing but walks its data.
        const std::vector<std::uint8_t> stream{2, 2, 0x44, 0x01, 0, 0x3B};
        Rows rows(0, 0);
        EXPECT_EQ(email32::gif::core::DecodeLzw(View(stream), 0, 5, false, rows).consumed, 5u);
    }
}

TEST(LzwDecoder, FullTableKeepsTwelveBitCodesUntilClear) {
    // 256 literals, then more: the table fills at 4096 and the codes stay
    // 12 bits wide; a clear code then restarts at 9 bits.
    CodeWriter w;
    int width = 9, next = 258;
    w.Put(256, 9);
    std::vector<std::uint8_t> expected;
    for (int i = 0; i < 5000; ++i) {
        const int literal = (i * 37) % 256;
        w.Put(literal, width);
        expected.push_back(static_cast<std::uint8_t>(literal));
        if (i > 0 && next < 4096 && ++next >= (1 << width) && width < 12) ++width;
    }
    EXPECT_EQ(width, 12);
    w.Put(256, 12);
    w.Put(7, 9);
    expected.push_back(7);
    w.Put(257, 9);
    const auto stream = w.Stream(8);
    Rows rows(static_cast<int>(expected.size()), 1);
    const email32::gif::core::DecodeOutcome outcome =
        email32::gif::core::DecodeLzw(View(stream), static_cast<int>(expected.size()), 1, false, rows);
    ASSERT_EQ(outcome.rowsWritten, 1);
    EXPECT_TRUE(outcome.endCodeSeen);
    EXPECT_EQ(rows.rows[0], expected);
}

TEST(LzwEncoder, RoundTripsEveryDepthAndShape) {
    std::mt19937 random(11);
    for (int m = 2; m <= 8; ++m) {
        for (int shape = 0; shape < 6; ++shape) {
            const int width = 1 + static_cast<int>(random() % 300), height = 1 + static_cast<int>(random() % 60);
            Pixels pixels{width, height, shape % 2 == 1, {}};
            for (int i = 0; i < width * height; ++i)
                pixels.data.push_back(static_cast<std::uint8_t>(shape < 4 ? random() % (1u << m) : (i / 7) % (1 << m)));
            const auto stream = Encode(pixels, m);
            std::size_t p = 1;
            while (stream[p] != 0) {
                EXPECT_LE(stream[p], 255);
                p += 1u + stream[p];
            }
            EXPECT_EQ(p + 1, stream.size());
            Rows rows(width, height);
            const email32::gif::core::DecodeOutcome outcome =
                email32::gif::core::DecodeLzw(View(stream), width, height, pixels.interlaced, rows);
            ASSERT_EQ(outcome.rowsWritten, height);
            EXPECT_TRUE(outcome.endCodeSeen);
            EXPECT_EQ(outcome.consumed, stream.size());
            for (int y = 0; y < height; ++y)
                EXPECT_TRUE(std::equal(rows.rows[static_cast<std::size_t>(y)].begin(),
                                       rows.rows[static_cast<std::size_t>(y)].end(),
                                       pixels.data.begin() + static_cast<long>(y) * width));
        }
    }
}

TEST(LzwEncoder, EndCodeFollowsTheDecodersWidth) {
    // Whatever the length, the end code is read where it was written, also
    // when the last code brings the decoder's table to a width limit.
    for (int m : {2, 3, 8}) {
        for (int count = 1; count < 700; ++count) {
            Pixels pixels(count, 1, false, {});
            for (int i = 0; i < count; ++i)
                pixels.data.push_back(static_cast<std::uint8_t>((i * i + i / 3) % (1 << m)));
            const auto stream = Encode(pixels, m);
            Rows rows(count, 1);
            const email32::gif::core::DecodeOutcome outcome =
                email32::gif::core::DecodeLzw(View(stream), count, 1, false, rows);
            ASSERT_TRUE(outcome.endCodeSeen) << m << " " << count;
            ASSERT_EQ(outcome.consumed, stream.size());
        }
    }
}

TEST(LzwEncoder, SendsClearRightAfterTheFirstCodeThatFoundTheTableFull) {
    std::mt19937 random(5);
    Pixels pixels{400, 100, false, {}};
    for (int i = 0; i < 40000; ++i) pixels.data.push_back(static_cast<std::uint8_t>(random()));
    const auto codes = Codes(Encode(pixels, 8));
    // clear, then 3838 codes fill entries 258...4095, then one more code
    // that could not be added, then the clear code.
    ASSERT_GT(codes.size(), 3841u);
    EXPECT_EQ(codes[0], 256);
    for (std::size_t i = 1; i <= 3839; ++i) ASSERT_NE(codes[i], 256) << i;
    EXPECT_EQ(codes[3840], 256);
}
