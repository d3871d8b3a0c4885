// What the imaging tests share: the fixture folder, pictures made in code,
// and pixel comparisons.
#pragma once

#include "companions/pixo/PPixo.h"
#include "tests/support/TestEnvironment.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace email32::test {

// Files made by make-fixtures.sh, with a trailing backslash.
inline std::string PictureFixtures() { return BinFolder() + "..\\fixtures\\imaging\\"; }

// The picture as 8-bit RGB, top row first (as ImageMagick's rgb: dumps).
inline std::string RgbOf(const PPixo& image) {
    const int w = image.GetImageWidth();
    std::string rgb;
    std::vector<BYTE> line(static_cast<std::size_t>(w) * 3 + 3);
    for (int y = 0; y < image.GetImageHeight(); ++y) {
        image.Get24bitHorLine(0, w - 1, y, line.data(), nullptr);
        for (int x = 0; x < w; ++x) {
            rgb += static_cast<char>(line[x * 3 + 2]);
            rgb += static_cast<char>(line[x * 3 + 1]);
            rgb += static_cast<char>(line[x * 3]);
        }
    }
    return rgb;
}

inline int MaxDifference(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return 256;
    int worst = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        worst = std::max(worst, std::abs(static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i])));
    }
    return worst;
}

inline double Psnr(const std::string& a, const std::string& b) {
    if (a.size() != b.size() || a.empty()) return 0;
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const double d = static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i]);
        sum += d * d;
    }
    const double mse = sum / a.size();
    return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

// A 24-bit picture with smooth colour ramps and a few hard edges.
inline void MakeTestPicture(PPixo& image, int width, int height) {
    image.CreateImage(kPixoTrueColor, width, height, 0, nullptr, 2835, 2835, 15, 0, 0);
    for (int y = 0; y < height; ++y) {
        BYTE* line = image.Line(y);
        for (int x = 0; x < width; ++x) {
            line[x * 3] = static_cast<BYTE>(x * 255 / std::max(1, width - 1));
            line[x * 3 + 1] = static_cast<BYTE>(y * 255 / std::max(1, height - 1));
            line[x * 3 + 2] = static_cast<BYTE>(((x / 7 + y / 5) & 1) ? 200 : 40);
        }
    }
}

// A 24-bit picture of smooth colour waves.
inline void MakeSmoothPicture(PPixo& image, int width, int height) {
    image.CreateImage(kPixoTrueColor, width, height, 0, nullptr, 0, 0, 15, 0, 0);
    for (int y = 0; y < height; ++y) {
        BYTE* line = image.Line(y);
        for (int x = 0; x < width; ++x) {
            line[x * 3] = static_cast<BYTE>(x * 255 / std::max(1, width - 1));
            line[x * 3 + 1] = static_cast<BYTE>(y * 255 / std::max(1, height - 1));
            line[x * 3 + 2] = static_cast<BYTE>(128 + 100 * std::sin((x + y) / 15.0));
        }
    }
}

// Fills an image of any type with a pattern of its own values.
inline void FillPattern(PPixo& image) {
    std::vector<BYTE> line(static_cast<std::size_t>(image.GetLineBytes()));
    for (int y = 0; y < image.GetImageHeight(); ++y) {
        for (std::size_t i = 0; i < line.size(); ++i) line[i] = static_cast<BYTE>((i * 37 + y * 11) ^ (i >> 2));
        if (image.GetImageType() == kPixoRgb555) {
            for (std::size_t i = 1; i < line.size(); i += 2) line[i] &= 0x7F;  // the unused top bit
        }
        image.PutHorLine(y, line.data());
    }
}

}  // namespace email32::test
