#include "companions/kromo/KromoQuantizer.h"

#include "companions/pixo/PPixo.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

namespace kromo {
namespace {

struct Bin {
    std::uint32_t count = 0;
    std::uint64_t sum[3] = {0, 0, 0};  // blue, green, red
};

// A box of the 32 x 32 x 32 histogram: inclusive cell ranges per channel.
struct Box {
    int low[3];
    int high[3];
    std::uint64_t count = 0;
};

inline int Cell(int b, int g, int r) noexcept { return (b << 10) | (g << 5) | r; }

void Shrink(Box& box, const std::vector<Bin>& bins) {
    int low[3] = {31, 31, 31};
    int high[3] = {0, 0, 0};
    std::uint64_t count = 0;
    for (int b = box.low[0]; b <= box.high[0]; ++b)
        for (int g = box.low[1]; g <= box.high[1]; ++g)
            for (int r = box.low[2]; r <= box.high[2]; ++r) {
                const Bin& bin = bins[static_cast<std::size_t>(Cell(b, g, r))];
                if (bin.count == 0) continue;
                count += bin.count;
                const int v[3] = {b, g, r};
                for (int c = 0; c < 3; ++c) {
                    low[c] = std::min(low[c], v[c]);
                    high[c] = std::max(high[c], v[c]);
                }
            }
    box.count = count;
    if (count == 0) return;
    for (int c = 0; c < 3; ++c) {
        box.low[c] = low[c];
        box.high[c] = high[c];
    }
}

// Splits a box at the population median of its longest side; false when it
// is a single cell.
bool Split(Box& box, Box& second, const std::vector<Bin>& bins) {
    // Channel spans weighted as the nearest-colour distance weighs them.
    static constexpr int kWeight[3] = {2, 4, 3};
    int axis = -1;
    int longest = 0;
    for (int c = 0; c < 3; ++c) {
        const int span = (box.high[c] - box.low[c]) * kWeight[c];
        if (box.high[c] > box.low[c] && span >= longest) {
            longest = span;
            axis = c;
        }
    }
    if (axis < 0) return false;
    std::vector<std::uint64_t> slices(32, 0);
    for (int b = box.low[0]; b <= box.high[0]; ++b)
        for (int g = box.low[1]; g <= box.high[1]; ++g)
            for (int r = box.low[2]; r <= box.high[2]; ++r) {
                const int v[3] = {b, g, r};
                slices[static_cast<std::size_t>(v[axis])] += bins[static_cast<std::size_t>(Cell(b, g, r))].count;
            }
    std::uint64_t running = 0;
    int cut = box.low[axis];
    for (int v = box.low[axis]; v < box.high[axis]; ++v) {
        running += slices[static_cast<std::size_t>(v)];
        cut = v;
        if (running * 2 >= box.count) break;
    }
    second = box;
    box.high[axis] = cut;
    second.low[axis] = cut + 1;
    Shrink(box, bins);
    Shrink(second, bins);
    return true;
}

}  // namespace

std::vector<RGBQUAD> FitPalette(const PPixo& image, int colours) {
    const int width = image.GetImageWidth();
    const int height = image.GetImageHeight();
    std::vector<BYTE> row(static_cast<std::size_t>(width) * 3 + 3);

    // Exact colours first, as long as there are few enough of them.
    std::unordered_map<std::uint32_t, std::uint32_t> exact;
    bool few = true;
    std::vector<Bin> bins(32768);
    for (int y = 0; y < height; ++y) {
        if (!image.Get24bitHorLine(0, width - 1, y, row.data(), nullptr)) return {};
        for (int x = 0; x < width; ++x) {
            const BYTE* p = row.data() + static_cast<std::size_t>(x) * 3;
            if (few) {
                ++exact[p[0] | (p[1] << 8) | (static_cast<std::uint32_t>(p[2]) << 16)];
                if (exact.size() > static_cast<std::size_t>(colours)) few = false;
            }
            Bin& bin = bins[static_cast<std::size_t>(Cell(p[0] >> 3, p[1] >> 3, p[2] >> 3))];
            ++bin.count;
            bin.sum[0] += p[0];
            bin.sum[1] += p[1];
            bin.sum[2] += p[2];
        }
    }
    std::vector<RGBQUAD> table;
    if (few) {
        std::vector<std::pair<std::uint32_t, std::uint32_t>> found(exact.begin(), exact.end());
        std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
            return a.second != b.second ? a.second > b.second : a.first < b.first;
        });
        for (const auto& [colour, count] : found) {
            table.push_back(RGBQUAD{BYTE(colour & 0xFF), BYTE((colour >> 8) & 0xFF), BYTE(colour >> 16), 0});
        }
        return table;
    }

    std::vector<Box> boxes;
    Box all{{0, 0, 0}, {31, 31, 31}, 0};
    Shrink(all, bins);
    boxes.push_back(all);
    // Split the most populous boxes first, then the ones that cover the most
    // colour space with many pixels, so that both busy and rare colours get
    // entries.
    while (static_cast<int>(boxes.size()) < colours) {
        const bool byVolume = static_cast<int>(boxes.size()) >= colours * 3 / 4;
        int pick = -1;
        double best = 0;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            const Box& b = boxes[i];
            if (b.low[0] == b.high[0] && b.low[1] == b.high[1] && b.low[2] == b.high[2]) continue;
            double score = static_cast<double>(b.count);
            if (byVolume) {
                score *= double(b.high[0] - b.low[0] + 1) * (b.high[1] - b.low[1] + 1) * (b.high[2] - b.low[2] + 1);
            }
            if (score > best) {
                best = score;
                pick = static_cast<int>(i);
            }
        }
        if (pick < 0) break;
        Box second{};
        if (!Split(boxes[static_cast<std::size_t>(pick)], second, bins)) break;
        if (second.count > 0) boxes.push_back(second);
    }
    for (const Box& box : boxes) {
        std::uint64_t sum[3] = {0, 0, 0};
        std::uint64_t count = 0;
        for (int b = box.low[0]; b <= box.high[0]; ++b)
            for (int g = box.low[1]; g <= box.high[1]; ++g)
                for (int r = box.low[2]; r <= box.high[2]; ++r) {
                    const Bin& bin = bins[static_cast<std::size_t>(Cell(b, g, r))];
                    count += bin.count;
                    for (int c = 0; c < 3; ++c) sum[c] += bin.sum[c];
                }
        if (count == 0) continue;
        table.push_back(RGBQUAD{BYTE((sum[0] + count / 2) / count), BYTE((sum[1] + count / 2) / count),
                                BYTE((sum[2] + count / 2) / count), 0});
    }
    return table;
}

}  // namespace kromo
