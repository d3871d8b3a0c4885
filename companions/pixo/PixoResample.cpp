#include "companions/pixo/PixoResample.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace pixo {

AxisFilter::AxisFilter(int sourceSize, int targetSize) {
    const std::size_t n = static_cast<std::size_t>(targetSize);
    m_first.resize(n);
    m_count.resize(n);
    const double scale = static_cast<double>(sourceSize) / targetSize;
    std::vector<double> weights;
    if (targetSize < sourceSize) {
        // Each target pixel covers [t*scale, (t+1)*scale) of the source; every
        // source pixel weighs by how much of it lies inside.
        m_stride = static_cast<int>(std::ceil(scale)) + 2;
        m_weights.assign(n * static_cast<std::size_t>(m_stride), 0);
        for (int t = 0; t < targetSize; ++t) {
            const double begin = t * scale;
            const double end = std::min<double>((t + 1) * scale, sourceSize);
            const int first = static_cast<int>(std::floor(begin));
            const int last = std::min(sourceSize - 1, static_cast<int>(std::ceil(end)) - 1);
            weights.clear();
            for (int s = first; s <= last; ++s) {
                weights.push_back(std::min<double>(end, s + 1) - std::max<double>(begin, s));
            }
            m_first[static_cast<std::size_t>(t)] = first;
            m_count[static_cast<std::size_t>(t)] = static_cast<int>(weights.size());
            double total = 0;
            for (double w : weights) total += w;
            std::int32_t* out = m_weights.data() + static_cast<std::size_t>(t) * m_stride;
            int sum = 0;
            int largest = 0;
            for (std::size_t i = 0; i < weights.size(); ++i) {
                out[i] = static_cast<std::int32_t>(std::lround(weights[i] / total * kOne));
                sum += out[i];
                if (out[i] > out[largest]) largest = static_cast<int>(i);
            }
            out[largest] += kOne - sum;
        }
    } else {
        // Linear interpolation between the two nearest source centres; the
        // edges repeat the outermost pixel.
        m_stride = 2;
        m_weights.assign(n * 2, 0);
        for (int t = 0; t < targetSize; ++t) {
            const double centre = (t + 0.5) * scale - 0.5;
            int first = static_cast<int>(std::floor(centre));
            double fraction = centre - first;
            if (first < 0) {
                first = 0;
                fraction = 0;
            }
            if (first >= sourceSize - 1) {
                first = sourceSize - 1;
                fraction = 0;
            }
            std::int32_t* out = m_weights.data() + static_cast<std::size_t>(t) * 2;
            out[1] = static_cast<std::int32_t>(std::lround(fraction * kOne));
            out[0] = kOne - out[1];
            m_first[static_cast<std::size_t>(t)] = first;
            m_count[static_cast<std::size_t>(t)] = out[1] == 0 ? 1 : 2;
        }
    }
}

bool Resample(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight, const SourceRowFn& sourceRow,
              const TargetRowFn& targetRow) {
    try {
        const AxisFilter across(sourceWidth, targetWidth);
        const AxisFilter down(sourceHeight, targetHeight);
        const std::size_t targetValues = static_cast<std::size_t>(targetWidth) * 3;

        // Horizontally filtered source rows (8.8 fixed point), kept in a ring
        // as long as a target row still needs them.
        const int ringSize = down.MaxCount();
        std::vector<std::uint16_t> ring(static_cast<std::size_t>(ringSize) * targetValues);
        std::vector<BYTE> source(static_cast<std::size_t>(sourceWidth) * 3 + 3);
        std::vector<BYTE> target(targetValues + 3);
        std::vector<std::uint32_t> accumulator(targetValues);
        int nextSource = 0;   // first source row not yet filtered

        const auto filterRow = [&](int y) {
            sourceRow(y, source.data());
            std::uint16_t* out = ring.data() + static_cast<std::size_t>(y % ringSize) * targetValues;
            for (int t = 0; t < targetWidth; ++t) {
                const BYTE* in = source.data() + static_cast<std::size_t>(across.First(t)) * 3;
                const std::int32_t* w = across.Weights(t);
                std::int32_t b = 0, g = 0, r = 0;
                for (int k = 0, n = across.Count(t); k < n; ++k, in += 3) {
                    b += w[k] * in[0];
                    g += w[k] * in[1];
                    r += w[k] * in[2];
                }
                out[t * 3] = static_cast<std::uint16_t>((b + 32) >> 6);
                out[t * 3 + 1] = static_cast<std::uint16_t>((g + 32) >> 6);
                out[t * 3 + 2] = static_cast<std::uint16_t>((r + 32) >> 6);
            }
        };

        for (int t = 0; t < targetHeight; ++t) {
            const int first = down.First(t);
            const int count = down.Count(t);
            while (nextSource < first + count) filterRow(nextSource++);
            const std::int32_t* w = down.Weights(t);
            std::fill(accumulator.begin(), accumulator.end(), 0u);
            for (int k = 0; k < count; ++k) {
                const std::uint16_t* in = ring.data() + static_cast<std::size_t>((first + k) % ringSize) * targetValues;
                const std::uint32_t weight = static_cast<std::uint32_t>(w[k]);
                for (std::size_t i = 0; i < targetValues; ++i) accumulator[i] += weight * in[i];
            }
            for (std::size_t i = 0; i < targetValues; ++i) {
                const std::uint32_t v = (accumulator[i] + (1u << 21)) >> 22;
                target[i] = static_cast<BYTE>(v > 255 ? 255 : v);
            }
            targetRow(t, target.data());
        }
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace pixo
