// email32 palette FILE: the entries of a palette file, one a line.
#include "tools/email32/Command.h"

#include "public/Utility.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr unsigned kCountLimit = 32768;

// Why the file is not a palette file, or empty when its size fits its count.
// Palette files carry no signature: the count and the size must agree.
std::string ProblemWith(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA attributes = {};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &attributes)) return "cannot be opened";
    if (attributes.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return "is a folder, not a palette file";
    const unsigned long long size =
        (static_cast<unsigned long long>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
    if (size < 2) return "is not a palette file: it is shorter than the 2-byte entry count";
    unsigned char head[2] = {};
    FILE* file = std::fopen(path.c_str(), "rb");
    const bool read = file && std::fread(head, 1, 2, file) == 2;
    if (file) std::fclose(file);
    if (!read) return "cannot be read";
    const unsigned count = head[0] | (head[1] << 8);
    if (count >= kCountLimit) {
        return "is not a palette file: its entry count " + std::to_string(count) + " is 32768 or more";
    }
    const unsigned long long expected = 2ull + 4ull * count;
    if (size != expected) {
        return "is not a palette file: " + std::to_string(count) + " entries take " + std::to_string(expected) +
               " bytes, the file has " + std::to_string(size);
    }
    return {};
}

int RunPalette(const email32::host::Arguments& arguments) {
    if (arguments.size() != 1) {
        std::fprintf(stderr, "usage: email32 palette FILE\n");
        return 64;
    }
    const std::string& path = arguments[0];
    const std::string problem = ProblemWith(path);
    if (!problem.empty()) {
        std::fprintf(stderr, "email32: %s %s\n", path.c_str(), problem.c_str());
        return 1;
    }
    const std::unique_ptr<CPalette> palette(CUtility::LoadFilePalette(path.c_str()));
    if (!palette) {
        std::fprintf(stderr, "email32: %s cannot be loaded as a palette\n", path.c_str());
        return 1;
    }
    std::vector<PALETTEENTRY> entries(static_cast<std::size_t>(palette->GetEntryCount()));
    if (!entries.empty()) palette->GetPaletteEntries(0, static_cast<UINT>(entries.size()), entries.data());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::printf("%u: %u %u %u %u\n", static_cast<unsigned>(i), entries[i].peRed, entries[i].peGreen,
                    entries[i].peBlue, entries[i].peFlags);
    }
    return 0;
}

}  // namespace

EMAIL32_COMMAND("palette", "palette FILE               print a palette file's entries as 'index: r g b flags'",
                RunPalette);
