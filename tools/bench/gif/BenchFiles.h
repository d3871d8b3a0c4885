// The benchmark's picture files: raw colour indices that both encoders
// read, and a small checksum that both decoders print so that the script
// can see they decoded the same pixels.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace gifbench {

// "E32RAW1" and a zero, then width, height and frame count (32-bit little-
// endian), a 256-entry RGB table, and frames x height x width indices.
struct RawPictures {
    std::uint32_t width = 0, height = 0, frames = 0;
    std::vector<std::uint8_t> table;  // 768 bytes
    // Every frame's indices, one after the other; not cleared before reading.
    std::unique_ptr<std::uint8_t[]> pixels;

    [[nodiscard]] std::size_t FrameBytes() const { return std::size_t{width} * height; }
    [[nodiscard]] std::uint8_t* Frame(std::uint32_t i) const { return pixels.get() + i * FrameBytes(); }
};

inline bool ReadRaw(const char* path, RawPictures& raw) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    unsigned char head[20];
    bool ok = std::fread(head, 1, sizeof head, f) == sizeof head && std::memcmp(head, "E32RAW1", 8) == 0;
    auto u32 = [&](int at) {
        return std::uint32_t(head[at]) | std::uint32_t(head[at + 1]) << 8 | std::uint32_t(head[at + 2]) << 16 |
               std::uint32_t(head[at + 3]) << 24;
    };
    if (ok) {
        raw.width = u32(8);
        raw.height = u32(12);
        raw.frames = u32(16);
        ok = raw.width > 0 && raw.width <= 65535 && raw.height > 0 && raw.height <= 65535 && raw.frames <= 10000;
    }
    raw.table.resize(768);
    ok = ok && std::fread(raw.table.data(), 1, 768, f) == 768;
    if (ok) {
        const std::size_t bytes = raw.FrameBytes() * raw.frames;
        raw.pixels.reset(new std::uint8_t[bytes]);
        ok = std::fread(raw.pixels.get(), 1, bytes, f) == bytes;
    }
    std::fclose(f);
    return ok;
}

// Adds a frame's indices to a running checksum, eight bytes at a time.
inline std::uint64_t Mix(std::uint64_t h, const std::uint8_t* p, std::size_t n) {
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, p + i, 8);
        h = (h ^ w) * 0x100000001B3ull;
    }
    for (; i < n; ++i) h = (h ^ p[i]) * 0x100000001B3ull;
    return h;
}

inline void PrintDecoded(std::size_t frames, std::uint64_t checksum) {
    std::printf("frames %zu checksum %016llx\n", frames, static_cast<unsigned long long>(checksum));
}

}  // namespace gifbench
