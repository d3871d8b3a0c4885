// The exported palette helpers as a host reaches them, and the email32
// palette command that shows a palette file.
#include "public/Utility.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using email32::test::BinFolder;
using email32::test::ProcessResult;
using email32::test::ReadFile;
using email32::test::RunProcess;
using email32::test::TempFolder;
using email32::test::WriteFile;

namespace {

ProcessResult ShowPalette(const std::string& path) {
    return RunProcess("\"" + BinFolder() + "email32.exe\" palette \"" + path + "\"", BinFolder());
}

int Lines(const std::string& text) {
    int lines = 0;
    for (char c : text) lines += c == '\n';
    return lines;
}

}  // namespace

TEST(PaletteCommand, PrintsEveryEntryWithItsFlags) {
    TempFolder folder;
    const std::string path = folder / "three.pal";
    // clang-format off
    WriteFile(path, std::string("\x03\x00" "\xFF\x00\x00\x00" "\x00\x80\x40\x04" "\x01\x02\x03\x01", 14));
    // clang-format on
    const ProcessResult result = ShowPalette(path);
    EXPECT_EQ(result.exitCode, 0u) << result.errors;
    EXPECT_EQ(result.output, "0: 255 0 0 0\n1: 0 128 64 4\n2: 1 2 3 1\n");
    EXPECT_EQ(result.errors, "");

    // A file that a host saved through the exported helpers, 256 entries.
    unsigned char table[3 * 256];
    for (int i = 0; i < 256; ++i) {
        table[3 * i] = static_cast<unsigned char>(i);
        table[3 * i + 1] = static_cast<unsigned char>(255 - i);
        table[3 * i + 2] = 7;
    }
    const std::unique_ptr<CPalette> palette(CUtility::BuildPalette(table, 256));
    ASSERT_NE(palette, nullptr);
    const std::string saved = folder / "saved.pal";
    ASSERT_EQ(CUtility::SavePalette(saved.c_str(), palette.get()), 1);
    EXPECT_EQ(ReadFile(saved).size(), 1026u);
    const ProcessResult big = ShowPalette(saved);
    EXPECT_EQ(big.exitCode, 0u) << big.errors;
    EXPECT_EQ(Lines(big.output), 256);
    EXPECT_NE(big.output.find("\n200: 200 55 7 0\n"), std::string::npos);

    // An empty palette file shows no entries.
    WriteFile(folder / "empty.pal", std::string("\0\0", 2));
    const ProcessResult empty = ShowPalette(folder / "empty.pal");
    EXPECT_EQ(empty.exitCode, 0u) << empty.errors;
    EXPECT_EQ(empty.output, "");
}

TEST(PaletteCommand, OtherFilesGetOneLineOnStandardErrorAndStatus1) {
    TempFolder folder;
    const struct {
        const char* name;
        std::string bytes;
        const char* says;
    } cases[] = {
        {"picture.jpg", std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11), "32768 or more"},
        {"notes.txt", "hello, palette", "entries take"},
        {"one.pal", std::string("\x01", 1), "shorter than the 2-byte entry count"},
        {"short.pal", std::string("\x02\x00\x01\x02\x03\x00", 6), "2 entries take 10 bytes, the file has 6"},
    };
    for (const auto& c : cases) {
        const std::string path = folder / c.name;
        WriteFile(path, c.bytes);
        const ProcessResult result = ShowPalette(path);
        EXPECT_EQ(result.exitCode, 1u) << c.name;
        EXPECT_EQ(result.output, "") << c.name;
        EXPECT_EQ(Lines(result.errors), 1) << c.name << ": " << result.errors;
        EXPECT_NE(result.errors.find(c.says), std::string::npos) << c.name << ": " << result.errors;
        EXPECT_EQ(ReadFile(path), c.bytes) << c.name;  // never written
    }
    const ProcessResult missing = ShowPalette(folder / "missing.pal");
    EXPECT_EQ(missing.exitCode, 1u);
    EXPECT_EQ(Lines(missing.errors), 1);
}
