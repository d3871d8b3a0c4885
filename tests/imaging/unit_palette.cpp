// Palettes built, copied, saved and loaded with real GDI palettes.
#include "public/Utility.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using email32::test::ReadFile;
using email32::test::TempFolder;
using email32::test::WriteFile;

namespace {

std::vector<PALETTEENTRY> EntriesOf(const CPalette& palette) {
    std::vector<PALETTEENTRY> entries(static_cast<std::size_t>(palette.GetEntryCount()));
    if (!entries.empty()) palette.GetPaletteEntries(0, static_cast<UINT>(entries.size()), entries.data());
    return entries;
}

// A palette made directly through GDI with chosen flags.
std::unique_ptr<CPalette> MakeGdiPalette(int count, BYTE flags) {
    std::vector<BYTE> buffer(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
    auto* logical = reinterpret_cast<LOGPALETTE*>(buffer.data());
    logical->palVersion = 0x300;
    logical->palNumEntries = static_cast<WORD>(count);
    for (int i = 0; i < count; ++i) {
        logical->palPalEntry[i] = {BYTE(i), BYTE(i * 3), BYTE(255 - i), BYTE(i % 2 ? flags : 0)};
    }
    auto palette = std::make_unique<CPalette>();
    EXPECT_TRUE(palette->CreatePalette(logical));
    return palette;
}

bool SameEntry(const PALETTEENTRY& a, const PALETTEENTRY& b) {
    return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue && a.peFlags == b.peFlags;
}

}  // namespace

TEST(BuildPalette, MakesOneEntryPerTripleWithFlagsZero) {
    unsigned char blackWhite[] = {0, 0, 0, 255, 255, 255};
    std::unique_ptr<CPalette> palette(CUtility::BuildPalette(blackWhite, 2));
    ASSERT_NE(palette, nullptr);
    const auto entries = EntriesOf(*palette);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_TRUE(SameEntry(entries[0], PALETTEENTRY{0, 0, 0, 0}));
    EXPECT_TRUE(SameEntry(entries[1], PALETTEENTRY{255, 255, 255, 0}));

    unsigned char table[3 * 5] = {10, 20, 30, 40, 50, 60, 70, 80, 90, 1, 2, 3, 4, 5, 6};
    palette.reset(CUtility::BuildPalette(table, 5));
    ASSERT_NE(palette, nullptr);
    const auto five = EntriesOf(*palette);
    ASSERT_EQ(five.size(), 5u);
    EXPECT_TRUE(SameEntry(five[2], PALETTEENTRY{70, 80, 90, 0}));
    EXPECT_TRUE(SameEntry(five[4], PALETTEENTRY{4, 5, 6, 0}));
}

TEST(BuildPalette, RefusesNullShortAndOversizedTables) {
    unsigned char one[] = {1, 2, 3};
    EXPECT_EQ(CUtility::BuildPalette(one, 1), nullptr);
    EXPECT_EQ(CUtility::BuildPalette(one, 0), nullptr);
    EXPECT_EQ(CUtility::BuildPalette(one, -4), nullptr);
    EXPECT_EQ(CUtility::BuildPalette(nullptr, 16), nullptr);
    EXPECT_EQ(CUtility::BuildPalette(one, 0x10000), nullptr);  // more than the record can count
}

TEST(CopyPalette, KeepsTheFirst256EntriesWithFlagsZero) {
    const auto source = MakeGdiPalette(300, PC_NOCOLLAPSE);
    CPalette destination;
    unsigned char old[] = {9, 9, 9, 8, 8, 8};
    std::unique_ptr<CPalette> previous(CUtility::BuildPalette(old, 2));
    ASSERT_TRUE(destination.Attach(previous->Detach()));

    ASSERT_EQ(CUtility::CopyPalette(&destination, source.get()), 1);
    const auto copied = EntriesOf(destination);
    const auto original = EntriesOf(*source);
    ASSERT_EQ(copied.size(), 256u);
    for (std::size_t i = 0; i < copied.size(); ++i) {
        PALETTEENTRY expected = original[i];
        expected.peFlags = 0;
        ASSERT_TRUE(SameEntry(copied[i], expected)) << "entry " << i;
    }
}

TEST(CopyPalette, RefusalsLeaveTheDestinationAsItWas) {
    const auto destination = MakeGdiPalette(4, 0);
    const HGDIOBJ held = destination->GetSafeHandle();
    CPalette empty;
    EXPECT_EQ(CUtility::CopyPalette(destination.get(), nullptr), 0);
    EXPECT_EQ(CUtility::CopyPalette(nullptr, destination.get()), 0);
    EXPECT_EQ(CUtility::CopyPalette(destination.get(), &empty), 0);
    EXPECT_EQ(destination->GetSafeHandle(), held);
    EXPECT_EQ(EntriesOf(*destination).size(), 4u);

    // Copying a palette onto itself keeps its colours.
    ASSERT_EQ(CUtility::CopyPalette(destination.get(), destination.get()), 1);
    const auto entries = EntriesOf(*destination);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_TRUE(SameEntry(entries[3], PALETTEENTRY{3, 9, 252, 0}));
}

TEST(PaletteFile, SixteenEntriesMakeA66ByteFileThatLoadsBackWithFlags) {
    TempFolder folder;
    const auto palette = MakeGdiPalette(16, PC_RESERVED | PC_NOCOLLAPSE);
    const std::string path = folder / "sixteen.pal";
    ASSERT_EQ(CUtility::SavePalette(path.c_str(), palette.get()), 1);

    const std::string bytes = ReadFile(path);
    ASSERT_EQ(bytes.size(), 66u);
    EXPECT_EQ(bytes[0], 16);
    EXPECT_EQ(bytes[1], 0);
    // Entry 5: red, green, blue, flags as the palette holds them.
    EXPECT_EQ(bytes.substr(2 + 4 * 5, 4), std::string("\x05\x0F\xFA\x05", 4));

    std::unique_ptr<CPalette> loaded(CUtility::LoadFilePalette(path.c_str()));
    ASSERT_NE(loaded, nullptr);
    const auto original = EntriesOf(*palette);
    const auto back = EntriesOf(*loaded);
    ASSERT_EQ(back.size(), 16u);
    for (std::size_t i = 0; i < back.size(); ++i) EXPECT_TRUE(SameEntry(back[i], original[i])) << "entry " << i;
}

TEST(PaletteFile, SavingKeepsAtMost256EntriesAndAnEmptyPaletteWritesACountOfZero) {
    TempFolder folder;
    const auto big = MakeGdiPalette(300, 0);
    ASSERT_EQ(CUtility::SavePalette((folder / "big.pal").c_str(), big.get()), 1);
    const std::string bytes = ReadFile(folder / "big.pal");
    ASSERT_EQ(bytes.size(), 2u + 4u * 256u);
    EXPECT_EQ(bytes.substr(0, 2), std::string("\x00\x01", 2));

    CPalette empty;
    ASSERT_EQ(CUtility::SavePalette((folder / "empty.pal").c_str(), &empty), 1);
    EXPECT_EQ(ReadFile(folder / "empty.pal"), std::string("\0\0", 2));
}

TEST(PaletteFile, UnwritablePathsAndNoPaletteWriteNothing) {
    TempFolder folder;
    const auto palette = MakeGdiPalette(4, 0);
    const std::string missingFolder = folder / "no-such-folder\\x.pal";
    EXPECT_EQ(CUtility::SavePalette(missingFolder.c_str(), palette.get()), 0);
    EXPECT_FALSE(email32::test::FileExists(missingFolder));
    EXPECT_EQ(CUtility::SavePalette((folder / "null.pal").c_str(), nullptr), 0);
    EXPECT_FALSE(email32::test::FileExists(folder / "null.pal"));
}

TEST(PaletteFile, ShortEntriesLoadBlackAndBrokenFilesAreRefused) {
    TempFolder folder;
    // The count promises 3 entries; the file holds one and a half.
    WriteFile(folder / "short.pal", std::string("\x03\x00"
                                                "\x0A\x0B\x0C\x04"
                                                "\x0D\x0E",
                                                8));
    std::unique_ptr<CPalette> loaded(CUtility::LoadFilePalette((folder / "short.pal").c_str()));
    ASSERT_NE(loaded, nullptr);
    const auto entries = EntriesOf(*loaded);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_TRUE(SameEntry(entries[0], PALETTEENTRY{10, 11, 12, 4}));
    EXPECT_TRUE(SameEntry(entries[1], PALETTEENTRY{13, 14, 0, 0}));
    EXPECT_TRUE(SameEntry(entries[2], PALETTEENTRY{0, 0, 0, 0}));

    WriteFile(folder / "one-byte.pal", std::string("\x02", 1));
    WriteFile(folder / "empty-file.pal", std::string());
    WriteFile(folder / "huge-count.pal", std::string("\x00\x80", 2) + std::string(64, '\x01'));
    EXPECT_EQ(CUtility::LoadFilePalette((folder / "one-byte.pal").c_str()), nullptr);
    EXPECT_EQ(CUtility::LoadFilePalette((folder / "empty-file.pal").c_str()), nullptr);
    EXPECT_EQ(CUtility::LoadFilePalette((folder / "huge-count.pal").c_str()), nullptr);
    EXPECT_EQ(CUtility::LoadFilePalette((folder / "missing.pal").c_str()), nullptr);

    // The largest accepted count loads.
    WriteFile(folder / "largest.pal", std::string("\xFF\x7F", 2));
    std::unique_ptr<CPalette> largest(CUtility::LoadFilePalette((folder / "largest.pal").c_str()));
    ASSERT_NE(largest, nullptr);
}
