// The codec's core as one whole process for the benchmark against giflib:
//   gif_bench_ours inputs DIR        writes DIR/picture.raw (4000 x 3000) and
//                                    DIR/frames.raw (100 frames of 320 x 240)
//   gif_bench_ours encode IN OUT     encodes a raw file to a GIF file
//   gif_bench_ours decode IN         decodes every image, prints a checksum
#include "gif/core/BlockWalker.h"
#include "gif/core/Blocks.h"
#include "gif/core/Lzw.h"
#include "tools/bench/gif/BenchFiles.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <random>
#include <vector>

namespace {

// Smooth bands with some noise, as photographs reduced to 256 colours.
bool WriteRaw(const std::string& path, std::uint32_t width, std::uint32_t height, std::uint32_t frames) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    unsigned char head[20] = {'E', '3', '2', 'R', 'A', 'W', '1', 0};
    const std::uint32_t fields[3] = {width, height, frames};
    for (int i = 0; i < 3; ++i)
        for (int b = 0; b < 4; ++b) head[8 + 4 * i + b] = static_cast<unsigned char>(fields[i] >> (8 * b));
    std::fwrite(head, 1, sizeof head, f);
    for (int i = 0; i < 256; ++i) {
        const unsigned char rgb[3] = {static_cast<unsigned char>(i), static_cast<unsigned char>(255 - i),
                                      static_cast<unsigned char>(i / 2)};
        std::fwrite(rgb, 1, 3, f);
    }
    std::mt19937 random(3);
    std::vector<std::uint8_t> row(width);
    for (std::uint32_t frame = 0; frame < frames; ++frame)
        for (std::uint32_t y = 0; y < height; ++y) {
            for (std::uint32_t x = 0; x < width; ++x)
                row[x] = static_cast<std::uint8_t>(
                    ((x / 7 + y / 5 + frame * 3) + (random() % 4 == 0 ? random() % 6 : 0)) & 0xFF);
            std::fwrite(row.data(), 1, row.size(), f);
        }
    return std::fclose(f) == 0;
}

// What giflib's program writes: the screen without a table, then each
// frame with a local table and its data.
int Encode(const char* in, const char* out) {
    gifbench::RawPictures raw;
    if (!gifbench::ReadRaw(in, raw)) return 2;
    std::FILE* f = std::fopen(out, "wb");
    if (!f) return 2;
    // Sub-blocks go to the stream as they are made, as giflib writes them.
    class FileSink final : public email32::gif::core::ByteSink {
    public:
        explicit FileSink(std::FILE* file) : m_file(file) {}
        void Write(const std::uint8_t* bytes, std::size_t count) override {
            m_ok &= std::fwrite(bytes, 1, count, m_file) == count;
        }
        bool m_ok = true;

    private:
        std::FILE* m_file;
    } sink(f);
    class Rows final : public email32::gif::core::RowSource {
    public:
        Rows(const std::uint8_t* frame, std::uint32_t width) : m_frame(frame), m_width(width) {}
        const std::uint8_t* GetRow(int k) override { return m_frame + static_cast<std::size_t>(k) * m_width; }

    private:
        const std::uint8_t* m_frame;
        std::uint32_t m_width;
    };
    auto u16 = [](std::uint32_t v) {
        return std::vector<std::uint8_t>{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)};
    };
    std::vector<std::uint8_t> head = {'G', 'I', 'F', '8', '9', 'a'};
    for (auto part : {u16(raw.width), u16(raw.height), std::vector<std::uint8_t>{0, 0, 0}})
        head.insert(head.end(), part.begin(), part.end());
    sink.Write(head.data(), head.size());
    for (std::uint32_t i = 0; i < raw.frames; ++i) {
        std::vector<std::uint8_t> descriptor = {0x2C, 0, 0, 0, 0};
        for (auto part : {u16(raw.width), u16(raw.height)})
            descriptor.insert(descriptor.end(), part.begin(), part.end());
        descriptor.push_back(0x87);  // a local table of 256 entries
        descriptor.insert(descriptor.end(), raw.table.begin(), raw.table.end());
        sink.Write(descriptor.data(), descriptor.size());
        Rows rows(raw.Frame(i), raw.width);
        email32::gif::core::EncodeLzw(8, static_cast<int>(raw.width), static_cast<int>(raw.height), rows, sink);
    }
    const std::uint8_t trailer = 0x3B;
    sink.Write(&trailer, 1);
    return std::fclose(f) == 0 && sink.m_ok ? 0 : 2;
}

// Every image of a file into a buffer of its own, as giflib's DGifSlurp
// gives them; the file through a read-only mapping, as the module reads it.
class Decoder final : public email32::gif::core::BlockVisitor {
public:
    std::size_t OnExtension(email32::gif::core::ByteView atLabel) override {
        return email32::gif::core::ExtensionBytes(atLabel);
    }

    std::size_t OnImage(email32::gif::core::ByteView at) override {
        const std::size_t header = email32::gif::core::ImageHeaderBytes(at);
        if (header == email32::gif::core::kCutOff) return header;
        const int width = at.U16At(5), height = at.U16At(7);
        Image image(width, height, std::unique_ptr<std::uint8_t[]>(new std::uint8_t[std::size_t(width) * height]));
        const bool interlaced = (at.At(9) & email32::gif::core::kInterlaceFlag) != 0;
        const auto outcome = email32::gif::core::DecodeLzw(at.From(header), width, height, interlaced, image);
        images.push_back(std::move(image));
        return header + outcome.consumed;
    }

    bool Enough() override { return false; }

    struct Image final : email32::gif::core::RowSink {
        Image(int w, int h, std::unique_ptr<std::uint8_t[]> p) : width(w), height(h), pixels(std::move(p)) {}
        void PutRow(int row, const std::uint8_t* decoded) override {
            std::memcpy(pixels.get() + static_cast<std::size_t>(row) * width, decoded, static_cast<std::size_t>(width));
        }
        int width, height;
        std::unique_ptr<std::uint8_t[]> pixels;
    };
    std::vector<Image> images;
};

int Decode(const char* in) {
    const int fd = ::open(in, O_RDONLY);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || st.st_size == 0) return 2;
    const auto size = static_cast<std::size_t>(st.st_size);
    void* view = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (view == MAP_FAILED) return 2;
    const email32::gif::core::ByteView file{static_cast<const std::uint8_t*>(view), size};
    const std::size_t head = email32::gif::core::HeadBytes(file);
    if (head == 0 || !file.Has(0, head)) return 2;
    Decoder decoder;
    email32::gif::core::WalkBlocks(file, head, decoder);
    std::uint64_t checksum = 0xCBF29CE484222325ull;
    for (const auto& image : decoder.images)
        checksum = gifbench::Mix(checksum, image.pixels.get(), static_cast<std::size_t>(image.width) * image.height);
    gifbench::PrintDecoded(decoder.images.size(), checksum);
    ::munmap(view, size);
    return decoder.images.empty() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "inputs" && argc == 3) {
        const std::string dir = argv[2];
        return WriteRaw(dir + "/picture.raw", 4000, 3000, 1) && WriteRaw(dir + "/frames.raw", 320, 240, 100) ? 0 : 2;
    }
    if (mode == "encode" && argc == 4) return Encode(argv[2], argv[3]);
    if (mode == "decode" && argc == 3) return Decode(argv[2]);
    std::fprintf(stderr, "usage: gif_bench_ours inputs DIR | encode IN.raw OUT.gif | decode IN.gif\n");
    return 2;
}
