// Block layouts and the block loop over bounded views.
#include "gif/core/BlockWalker.h"
#include "gif/core/Blocks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace email32::gif::core;

namespace {

email32::gif::core::ByteView View(const std::vector<std::uint8_t>& v) {
    return email32::gif::core::ByteView{v.data(), v.size()};
}
std::vector<std::uint8_t> Bytes(const std::string& s) { return std::vector<std::uint8_t>(s.begin(), s.end()); }

struct Recorder final : email32::gif::core::BlockVisitor {
    std::string seen;
    std::size_t imageBytes = 12;
    std::size_t OnExtension(email32::gif::core::ByteView at) override {
        seen += "x" + std::to_string(at.At(0)) + " ";
        if (at.At(0) == 0xF9) return at.Has(0, 7) ? 7 : email32::gif::core::kCutOff;
        return 0;
    }
    std::size_t OnImage(email32::gif::core::ByteView at) override {
        seen += "i ";
        return at.Has(0, imageBytes) ? imageBytes : email32::gif::core::kCutOff;
    }
    bool Enough() override { return false; }
};

}  // namespace

TEST(GifBlocks, HeadSignatureAndTables) {
    std::vector<std::uint8_t> head = Bytes("GIF89a");
    head.insert(head.end(), {1, 0, 1, 0, 0x87, 0, 0});
    EXPECT_EQ(email32::gif::core::HeadBytes(View(head)), 13u + 768u);
    head[10] = 0x07;
    EXPECT_EQ(email32::gif::core::HeadBytes(View(head)), 13u);
    EXPECT_EQ(email32::gif::core::HeadBytes(email32::gif::core::ByteView{head.data(), 12}), 0u);
    EXPECT_TRUE(email32::gif::core::HasGifSignature(View(Bytes("gif89a")), false));
    EXPECT_FALSE(email32::gif::core::HasGifSignature(View(Bytes("GIF87a")), false));
    EXPECT_TRUE(email32::gif::core::HasGifSignature(View(Bytes("GIF87a")), true));
    EXPECT_FALSE(email32::gif::core::HasGifSignature(View(Bytes("GIF89")), true));
    EXPECT_EQ(email32::gif::core::BitsForColourCount(0), 1);
    EXPECT_EQ(email32::gif::core::BitsForColourCount(4), 4);
    EXPECT_EQ(email32::gif::core::BitsForColourCount(32), 8);
}

TEST(GifBlocks, ApplicationAndTextChains) {
    auto app = Bytes("\xFF\x0BNETSCAPE2.0");
    app.insert(app.end(), {3, 1, 5, 0, 0});
    EXPECT_EQ(email32::gif::core::ApplicationBytes(View(app)), 18u);
    EXPECT_EQ(email32::gif::core::ApplicationBytes(email32::gif::core::ByteView{app.data(), 17}),
              email32::gif::core::kCutOff);

    std::string text;
    auto five = Bytes("\x05hello");
    five.push_back(0);
    EXPECT_EQ(email32::gif::core::ReadTextChain(View(five), &text), 6u);  // the terminator stays
    EXPECT_EQ(text, "hello");

    std::vector<std::uint8_t> full{255};
    full.insert(full.end(), 255, 'a');
    full.push_back(0);
    text.clear();
    EXPECT_EQ(email32::gif::core::ReadTextChain(View(full), &text), 257u);  // zero length consumed
    EXPECT_EQ(text.size(), 255u);
    EXPECT_EQ(email32::gif::core::ReadTextChain(email32::gif::core::ByteView{full.data(), 100}, nullptr),
              email32::gif::core::kCutOff);

    std::string written;
    email32::gif::core::WriteTextSubBlocks(std::string(300, 'z'), [&](const std::uint8_t* b, std::size_t n) {
        written.append(reinterpret_cast<const char*>(b), n);
    });
    EXPECT_EQ(written.size(), 302u);
    EXPECT_EQ(static_cast<std::uint8_t>(written[0]), 255);
    EXPECT_EQ(static_cast<std::uint8_t>(written[256]), 45);
}

TEST(GifBlocks, WalkSkipsZerosAndStopsWhereNoBlockStarts) {
    Recorder r;
    auto file = Bytes(std::string("\x21\xF9\x04\x00\x00\x00\x00\x00", 8));
    file.insert(file.end(), {0, 0, 0x2C});
    file.insert(file.end(), 11, 1);
    file.insert(file.end(), {0x05, 0x2C});
    EXPECT_EQ(email32::gif::core::WalkBlocks(View(file), 0, r), email32::gif::core::WalkEnd::NotABlock);
    EXPECT_EQ(r.seen, "x249 i ");

    Recorder unknown;
    const auto ext = Bytes(std::string("\x21\x77\x3B", 3));
    EXPECT_EQ(email32::gif::core::WalkBlocks(View(ext), 0, unknown),
              email32::gif::core::WalkEnd::NotABlock);  // the label is met next

    Recorder cut;
    const auto image = Bytes(std::string("\x2C\x00\x00", 3));
    EXPECT_EQ(email32::gif::core::WalkBlocks(View(image), 0, cut), email32::gif::core::WalkEnd::CutOff);
    Recorder end;
    EXPECT_EQ(email32::gif::core::WalkBlocks(View(Bytes("\x21")), 0, end), email32::gif::core::WalkEnd::EndOfFile);
    EXPECT_EQ(email32::gif::core::WalkBlocks(View(Bytes("\x3B")), 0, end), email32::gif::core::WalkEnd::Trailer);
}

TEST(GifBlocks, ExtensionsAreWalkedToTheEndOfTheirSubBlockChains) {
    // XMP as image editors write it: the raw packet, then a 258-byte trailer
    // (1, 255, 254, ..., 0, then the terminator) that lands any reading of
    // the packet as sub-blocks on the terminator.
    auto xmp = Bytes("\xFF\x0BXMP DataXMP<x:xmpmeta>title</x:xmpmeta>");
    xmp.push_back(1);
    for (int b = 255; b >= 0; --b) xmp.push_back(static_cast<std::uint8_t>(b));
    xmp.push_back(0);
    auto several = Bytes(
        "\xFF\x0B"
        "EMAIL32TEST");
    several.insert(several.end(), {3, 'a', 'b', 'c', 2, 'd', 'e', 0});
    std::vector<std::uint8_t> unknown{0x99, 2, 0xAB, 0xCD, 1, 0x3B, 0};
    std::vector<std::uint8_t> control{0xF9, 4, 1, 10, 0, 3, 0};
    for (const auto* e : {&xmp, &several, &unknown, &control}) {
        EXPECT_EQ(email32::gif::core::ExtensionBytes(View(*e)), e->size());
        for (std::size_t n = 0; n < e->size(); ++n)
            EXPECT_EQ(email32::gif::core::ExtensionBytes(email32::gif::core::ByteView{e->data(), n}),
                      email32::gif::core::kCutOff)
                << n;
    }
    // What an application block keeps is still its first sub-block.
    EXPECT_EQ(email32::gif::core::ApplicationBytes(View(several)), 18u);
}
