// Files made by well-known encoders decode to giflib's pixels, index for
// index; what our encoder writes decodes in giflib to the same pixels.
#include "tests/gif/native/GifDocument.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct PeerImage {
    int width, height;
    std::vector<std::uint8_t> indices;
};

// giflib's decoding of every image, rows in image order.
bool PeerDecode(const std::vector<std::uint8_t>& bytes, std::vector<PeerImage>& images) {
    struct Cursor {
        const std::vector<std::uint8_t>* bytes;
        std::size_t position;
    } cursor{&bytes, 0};
    auto read = [](GifFileType* gif, GifByteType* out, int n) -> int {
        auto* c = static_cast<Cursor*>(gif->UserData);
        const std::size_t left = c->bytes->size() - c->position;
        const std::size_t take = std::min<std::size_t>(left, static_cast<std::size_t>(n));
        std::copy_n(c->bytes->data() + c->position, take, out);
        c->position += take;
        return static_cast<int>(take);
    };
    int error = 0;
    GifFileType* gif = DGifOpen(&cursor, read, &error);
    if (!gif) return false;
    const bool ok = DGifSlurp(gif) == GIF_OK;
    for (int i = 0; ok && i < gif->ImageCount; ++i) {
        const SavedImage& s = gif->SavedImages[i];
        images.push_back(
            {s.ImageDesc.Width, s.ImageDesc.Height,
             std::vector<std::uint8_t>(s.RasterBits, s.RasterBits + s.ImageDesc.Width * s.ImageDesc.Height)});
    }
    DGifCloseFile(gif, &error);
    return ok;
}

std::string Fixtures() {
    const char* dir = std::getenv("EMAIL32_GIF_FIXTURES");
    return dir ? dir : "";
}

struct Entry {
    std::string name;
    bool peerPixels;
};

std::vector<Entry> Manifest() {
    std::vector<Entry> entries;
    std::ifstream in(Fixtures() + "/manifest.txt");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string name, animated, frames, peer;
        fields >> name >> animated >> frames >> peer;
        entries.push_back({name, peer == "yes"});
    }
    return entries;
}

}  // namespace

TEST(GifPeers, DecodedIndicesEqualGiflibsAndRewritesDecodeTheSame) {
    const auto entries = Manifest();
    ASSERT_GE(entries.size(), 30u) << "no fixtures in " << Fixtures();
    int compared = 0;
    for (const Entry& entry : entries) {
        if (!entry.peerPixels) continue;
        SCOPED_TRACE(entry.name);
        const auto bytes = giftest::LoadFile(Fixtures() + "/" + entry.name);
        std::vector<PeerImage> peer;
        ASSERT_TRUE(PeerDecode(bytes, peer));
        const giftest::Document ours = giftest::Read(email32::gif::core::ByteView{bytes.data(), bytes.size()});
        ASSERT_EQ(ours.images.size(), peer.size());
        for (std::size_t i = 0; i < peer.size(); ++i) {
            ASSERT_EQ(ours.images[i].width, peer[i].width);
            ASSERT_EQ(ours.images[i].rowsWritten, peer[i].height);
            EXPECT_TRUE(ours.images[i].indices == peer[i].indices) << "image " << i;
        }
        const auto rewritten = giftest::Write(600, 600, ours.images);
        std::vector<PeerImage> again;
        ASSERT_TRUE(PeerDecode(rewritten, again));
        ASSERT_EQ(again.size(), peer.size());
        for (std::size_t i = 0; i < peer.size(); ++i) EXPECT_TRUE(again[i].indices == peer[i].indices) << "image " << i;
        ++compared;
    }
    EXPECT_GE(compared, 30);
}

TEST(GifPeers, DamagedFilesEndTheParseInsideTheFile) {
    for (const char* name : {"damaged-truncated.gif", "damaged-header-only.gif", "damaged-table-cut.gif"}) {
        const auto bytes = giftest::LoadFile(Fixtures() + "/" + name);
        ASSERT_FALSE(bytes.empty()) << name;
        // Every prefix of a damaged file reads without a fault (the
        // sanitizers watch the reads).
        for (std::size_t n = 0; n <= bytes.size(); ++n) {
            std::vector<std::uint8_t> copy(bytes.begin(), bytes.begin() + static_cast<long>(n));
            (void)giftest::Read(email32::gif::core::ByteView{copy.data(), copy.size()});
        }
    }
    const auto bytes = giftest::LoadFile(Fixtures() + "/damaged-header-only.gif");
    EXPECT_TRUE(giftest::Read(email32::gif::core::ByteView{bytes.data(), bytes.size()}).headCutOff);
}
