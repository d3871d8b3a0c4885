// Separable resampling of blue-green-red pictures in fixed point: area
// averaging where an axis shrinks, linear interpolation where it grows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace pixo {

// The source pixels that make up each target pixel along one axis, with
// weights in 1/16384 that add up to exactly 16384.
class AxisFilter {
public:
    static constexpr int kOne = 1 << 14;

    AxisFilter(int sourceSize, int targetSize);
    [[nodiscard]] int First(int target) const noexcept { return m_first[static_cast<std::size_t>(target)]; }
    [[nodiscard]] int Count(int target) const noexcept { return m_count[static_cast<std::size_t>(target)]; }
    [[nodiscard]] const std::int32_t* Weights(int target) const noexcept {
        return m_weights.data() + static_cast<std::size_t>(target) * m_stride;
    }
    [[nodiscard]] int MaxCount() const noexcept { return m_stride; }

private:
    std::vector<int> m_first;
    std::vector<int> m_count;
    std::vector<std::int32_t> m_weights;
    int m_stride = 0;
};

// Produces the target's rows in order from the source rows that
// `sourceRow(y, bgr)` delivers (each source row is asked for once, in
// order); `targetRow(y, bgr)` receives each finished target row. Returns
// false when memory runs out.
using SourceRowFn = std::function<void(int y, BYTE* bgr)>;
using TargetRowFn = std::function<void(int y, const BYTE* bgr)>;
bool Resample(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight, const SourceRowFn& sourceRow,
              const TargetRowFn& targetRow);

}  // namespace pixo
