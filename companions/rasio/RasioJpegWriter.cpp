// Baseline JPEG writing: the platform encoder under Wine ignores the quality
// option, so JPEG files are written here, at a chosen quality, as JFIF with
// 4:2:0 chroma (colour) or one component (grey).
#include "companions/rasio/RasioOwnFormats.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace rasio::jpeg {
namespace {

constexpr BYTE kZigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                              12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                              35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                              58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// The example tables of the JPEG standard, in natural order.
constexpr BYTE kLuminance[64] = {16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
                                 14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
                                 18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
                                 49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
constexpr BYTE kChrominance[64] = {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
                                   24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
                                   99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
                                   99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

constexpr BYTE kDcLuminanceBits[16] = {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
constexpr BYTE kDcChrominanceBits[16] = {0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0};
constexpr BYTE kDcValues[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
constexpr BYTE kAcLuminanceBits[16] = {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d};
constexpr BYTE kAcLuminanceValues[162] = {
    0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61, 0x07, 0x22, 0x71,
    0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52, 0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72,
    0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x34, 0x35, 0x36, 0x37,
    0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59,
    0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x83,
    0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3,
    0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3,
    0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2,
    0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};
constexpr BYTE kAcChrominanceBits[16] = {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77};
constexpr BYTE kAcChrominanceValues[162] = {
    0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61, 0x71, 0x13, 0x22,
    0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09, 0x23, 0x33, 0x52, 0xf0, 0x15, 0x62, 0x72, 0xd1,
    0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25, 0xf1, 0x17, 0x18, 0x19, 0x1a, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x35, 0x36,
    0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58,
    0x59, 0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a,
    0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a,
    0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba,
    0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda,
    0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};

struct Huffman {
    unsigned short code[256] = {};
    BYTE length[256] = {};
    Huffman(const BYTE* bits, const BYTE* values) {
        unsigned c = 0;
        int k = 0;
        for (int len = 1; len <= 16; ++len) {
            for (int i = 0; i < bits[len - 1]; ++i, ++k) {
                code[values[k]] = static_cast<unsigned short>(c++);
                length[values[k]] = static_cast<BYTE>(len);
            }
            c <<= 1;
        }
    }
};

class BitWriter {
public:
    explicit BitWriter(std::vector<BYTE>& out) : m_out(out) {}
    void Put(unsigned bits, int count) {
        m_buffer = (m_buffer << count) | (bits & ((1u << count) - 1));
        m_count += count;
        while (m_count >= 8) {
            const BYTE b = static_cast<BYTE>(m_buffer >> (m_count - 8));
            m_out.push_back(b);
            if (b == 0xFF) m_out.push_back(0);
            m_count -= 8;
        }
    }
    void Flush() {
        if (m_count > 0) Put(0x7F, 8 - m_count);
    }

private:
    std::vector<BYTE>& m_out;
    unsigned m_buffer = 0;
    int m_count = 0;
};

struct Component {
    float reciprocal[64];   // quantiser with the DCT's scaling, inverted; natural order
    const Huffman* dc;
    const Huffman* ac;
    int previousDc = 0;
};

// Forward DCT of one 8x8 block (level-shifted samples) by the factored
// Arai-Agui-Nakajima scheme, whose output scaling is folded into the
// quantisers; then quantised and Huffman coded.
class BlockCoder {
public:
    static void Prepare(const BYTE* table, float* reciprocal) {
        static constexpr double kScale[8] = {1.0,         1.387039845, 1.306562965, 1.175875602,
                                             1.0,         0.785694958, 0.541196100, 0.275899379};
        for (int v = 0; v < 8; ++v)
            for (int u = 0; u < 8; ++u) {
                reciprocal[v * 8 + u] = static_cast<float>(1.0 / (table[v * 8 + u] * kScale[v] * kScale[u] * 8.0));
            }
    }

    void Code(float* data, Component& c, BitWriter& bits) const {
        Transform(data, 1, 8);   // rows
        Transform(data, 8, 1);   // columns
        int quantised[64];
        for (int i = 0; i < 64; ++i) {
            const float q = data[i] * c.reciprocal[i];
            quantised[i] = static_cast<int>(q < 0 ? q - 0.5f : q + 0.5f);
        }
        const int dc = quantised[0];
        Emit(dc - c.previousDc, *c.dc, 0, bits);
        c.previousDc = dc;
        int run = 0;
        for (int k = 1; k < 64; ++k) {
            const int value = quantised[kZigzag[k]];
            if (value == 0) {
                ++run;
                continue;
            }
            while (run > 15) {
                bits.Put(c.ac->code[0xF0], c.ac->length[0xF0]);
                run -= 16;
            }
            Emit(value, *c.ac, run, bits);
            run = 0;
        }
        if (run > 0) bits.Put(c.ac->code[0x00], c.ac->length[0x00]);
    }

private:
    static void Emit(int value, const Huffman& table, int run, BitWriter& bits) {
        const int magnitude = value < 0 ? -value : value;
        int size = 0;
        while ((1 << size) <= magnitude) ++size;
        const int symbol = (run << 4) | size;
        bits.Put(table.code[symbol], table.length[symbol]);
        if (size > 0) bits.Put(static_cast<unsigned>(value < 0 ? value - 1 : value), size);
    }

    // One pass over eight lines of eight values: `step` apart within a line,
    // `next` from line to line.
    static void Transform(float* d, int step, int next) {
        for (int line = 0; line < 8; ++line, d += next) {
            float* p[8];
            for (int i = 0; i < 8; ++i) p[i] = d + i * step;
            const float t0 = *p[0] + *p[7], t7 = *p[0] - *p[7];
            const float t1 = *p[1] + *p[6], t6 = *p[1] - *p[6];
            const float t2 = *p[2] + *p[5], t5 = *p[2] - *p[5];
            const float t3 = *p[3] + *p[4], t4 = *p[3] - *p[4];
            // Even part.
            const float t10 = t0 + t3, t13 = t0 - t3, t11 = t1 + t2, t12 = t1 - t2;
            *p[0] = t10 + t11;
            *p[4] = t10 - t11;
            const float z1 = (t12 + t13) * 0.707106781f;
            *p[2] = t13 + z1;
            *p[6] = t13 - z1;
            // Odd part.
            const float o10 = t4 + t5, o11 = t5 + t6, o12 = t6 + t7;
            const float z5 = (o10 - o12) * 0.382683433f;
            const float z2 = 0.541196100f * o10 + z5;
            const float z4 = 1.306562965f * o12 + z5;
            const float z3 = o11 * 0.707106781f;
            const float z11 = t7 + z3, z13 = t7 - z3;
            *p[5] = z13 + z2;
            *p[3] = z13 - z2;
            *p[1] = z11 + z4;
            *p[7] = z11 - z4;
        }
    }
};

void Marker(std::vector<BYTE>& out, BYTE marker, const std::vector<BYTE>& body) {
    out.push_back(0xFF);
    out.push_back(marker);
    const std::size_t length = body.size() + 2;
    out.push_back(static_cast<BYTE>(length >> 8));
    out.push_back(static_cast<BYTE>(length & 0xFF));
    out.insert(out.end(), body.begin(), body.end());
}

void HuffmanSegment(std::vector<BYTE>& body, BYTE classAndId, const BYTE* bits, const BYTE* values) {
    body.push_back(classAndId);
    body.insert(body.end(), bits, bits + 16);
    int count = 0;
    for (int i = 0; i < 16; ++i) count += bits[i];
    body.insert(body.end(), values, values + count);
}

}  // namespace

bool Encode(const Canvas& canvas, int quality, std::vector<BYTE>& out) {
    if (canvas.width > 65535 || canvas.height > 65535) return false;
    quality = std::clamp(quality, 1, 100);
    const int scale = quality < 50 ? 5000 / quality : 200 - quality * 2;
    BYTE tables[2][64];
    for (int i = 0; i < 64; ++i) {
        tables[0][i] = static_cast<BYTE>(std::clamp((kLuminance[i] * scale + 50) / 100, 1, 255));
        tables[1][i] = static_cast<BYTE>(std::clamp((kChrominance[i] * scale + 50) / 100, 1, 255));
    }
    const bool grey = canvas.Bits() <= 8 && canvas.GreyTable();
    const int components = grey ? 1 : 3;

    out.clear();
    out.push_back(0xFF);
    out.push_back(0xD8);
    const int dpiX = static_cast<int>(std::lround(canvas.xPixelsPerMetre * 0.0254));
    const int dpiY = static_cast<int>(std::lround(canvas.yPixelsPerMetre * 0.0254));
    const bool dpi = dpiX > 0 && dpiY > 0 && dpiX < 65536 && dpiY < 65536;
    Marker(out, 0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, static_cast<BYTE>(dpi ? 1 : 0),
                       static_cast<BYTE>(dpi ? dpiX >> 8 : 0), static_cast<BYTE>(dpi ? dpiX & 0xFF : 1),
                       static_cast<BYTE>(dpi ? dpiY >> 8 : 0), static_cast<BYTE>(dpi ? dpiY & 0xFF : 1), 0, 0});
    std::vector<BYTE> dqt;
    for (int t = 0; t < (grey ? 1 : 2); ++t) {
        dqt.push_back(static_cast<BYTE>(t));
        for (int k = 0; k < 64; ++k) dqt.push_back(tables[t][kZigzag[k]]);
    }
    Marker(out, 0xDB, dqt);
    std::vector<BYTE> sof{8, static_cast<BYTE>(canvas.height >> 8), static_cast<BYTE>(canvas.height & 0xFF),
                          static_cast<BYTE>(canvas.width >> 8), static_cast<BYTE>(canvas.width & 0xFF),
                          static_cast<BYTE>(components)};
    if (grey) {
        sof.insert(sof.end(), {1, 0x11, 0});
    } else {
        sof.insert(sof.end(), {1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1});
    }
    Marker(out, 0xC0, sof);
    std::vector<BYTE> dht;
    HuffmanSegment(dht, 0x00, kDcLuminanceBits, kDcValues);
    HuffmanSegment(dht, 0x10, kAcLuminanceBits, kAcLuminanceValues);
    if (!grey) {
        HuffmanSegment(dht, 0x01, kDcChrominanceBits, kDcValues);
        HuffmanSegment(dht, 0x11, kAcChrominanceBits, kAcChrominanceValues);
    }
    Marker(out, 0xC4, dht);
    if (grey) Marker(out, 0xDA, {1, 1, 0x00, 0, 63, 0});
    else Marker(out, 0xDA, {3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0});

    static const Huffman dcLuminance(kDcLuminanceBits, kDcValues);
    static const Huffman acLuminance(kAcLuminanceBits, kAcLuminanceValues);
    static const Huffman dcChrominance(kDcChrominanceBits, kDcValues);
    static const Huffman acChrominance(kAcChrominanceBits, kAcChrominanceValues);
    static const BlockCoder coder;
    Component parts[3];
    for (int c = 0; c < 3; ++c) {
        const BYTE* table = tables[c == 0 ? 0 : 1];
        BlockCoder::Prepare(table, parts[c].reciprocal);
        parts[c].dc = c == 0 ? &dcLuminance : &dcChrominance;
        parts[c].ac = c == 0 ? &acLuminance : &acChrominance;
    }

    // One row of MCUs at a time: 16 lines for colour, 8 for grey, the
    // picture's edge repeated to fill the last blocks.
    const int mcu = grey ? 8 : 16;
    const int columns = (canvas.width + mcu - 1) / mcu;
    const int paddedWidth = columns * mcu;
    std::vector<BYTE> bgr(static_cast<std::size_t>(canvas.width) * 3 + 3);
    std::vector<float> planes[3];
    for (auto& p : planes) p.resize(static_cast<std::size_t>(paddedWidth) * mcu);
    BitWriter bits(out);
    float block[64];
    for (int top = 0; top < canvas.height; top += mcu) {
        for (int r = 0; r < mcu; ++r) {
            canvas.LineToBgr(std::min(top + r, canvas.height - 1), bgr.data());
            for (int x = 0; x < paddedWidth; ++x) {
                const BYTE* p = bgr.data() + static_cast<std::size_t>(std::min(x, canvas.width - 1)) * 3;
                const float b = p[0], g = p[1], red = p[2];
                const std::size_t at = static_cast<std::size_t>(r) * paddedWidth + x;
                planes[0][at] = 0.299f * red + 0.587f * g + 0.114f * b - 128.0f;
                if (!grey) {
                    planes[1][at] = -0.168736f * red - 0.331264f * g + 0.5f * b;
                    planes[2][at] = 0.5f * red - 0.418688f * g - 0.081312f * b;
                }
            }
        }
        for (int column = 0; column < columns; ++column) {
            const int left = column * mcu;
            for (int by = 0; by < mcu; by += 8)
                for (int bx = 0; bx < mcu; bx += 8) {
                    for (int y = 0; y < 8; ++y)
                        for (int x = 0; x < 8; ++x)
                            block[y * 8 + x] = planes[0][static_cast<std::size_t>(by + y) * paddedWidth + left + bx + x];
                    coder.Code(block, parts[0], bits);
                }
            if (grey) continue;
            for (int c = 1; c < 3; ++c) {
                for (int y = 0; y < 8; ++y)
                    for (int x = 0; x < 8; ++x) {
                        const float* p = planes[c].data() + static_cast<std::size_t>(2 * y) * paddedWidth + left + 2 * x;
                        block[y * 8 + x] = 0.25f * (p[0] + p[1] + p[paddedWidth] + p[paddedWidth + 1]);
                    }
                coder.Code(block, parts[c], bits);
            }
        }
    }
    bits.Flush();
    out.push_back(0xFF);
    out.push_back(0xD9);
    return true;
}

}  // namespace rasio::jpeg
