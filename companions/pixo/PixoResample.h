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

// Scales a picture row by row as its rows arrive, top to bottom, so that a
// decoder can hand rows over as it makes them and the picture never needs to
// be held whole. Each finished target row goes to `targetRow(y, bgr)` as soon
// as the last source row it needs has been pushed.
using TargetRowFn = std::function<void(int y, const BYTE* bgr)>;
class Resampler {
public:
    // Throws std::bad_alloc when memory runs out.
    Resampler(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight, TargetRowFn targetRow);
    // The next source row, sourceWidth blue-green-red triples. Rows beyond
    // the last one a target row needs are ignored.
    void Push(const BYTE* bgr);
    // Whether every target row has been given out.
    [[nodiscard]] bool Done() const noexcept { return m_nextTarget >= m_targetHeight; }

private:
    void EmitReadyRows();

    int m_sourceHeight;
    int m_targetWidth;
    int m_targetHeight;
    AxisFilter m_across;
    AxisFilter m_down;
    TargetRowFn m_targetRow;
    // Horizontally filtered source rows (8.8 fixed point), kept in a ring as
    // long as a target row still needs them.
    int m_ringSize;
    std::vector<std::uint16_t> m_ring;
    std::vector<std::uint32_t> m_accumulator;
    std::vector<BYTE> m_target;
    int m_nextSource = 0;  // rows pushed so far
    int m_nextTarget = 0;  // target rows given out so far
};

}  // namespace pixo
