#include "companions/pixo/PixoResample.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

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

Resampler::Resampler(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight, TargetRowFn targetRow)
    : m_sourceHeight(sourceHeight),
      m_targetWidth(targetWidth),
      m_targetHeight(targetHeight),
      m_across(sourceWidth, targetWidth),
      m_down(sourceHeight, targetHeight),
      m_targetRow(std::move(targetRow)),
      m_ringSize(m_down.MaxCount()) {
    const std::size_t values = static_cast<std::size_t>(targetWidth) * 3;
    m_ring.resize(static_cast<std::size_t>(m_ringSize) * values);
    m_accumulator.resize(values);
    m_target.resize(values + 3);
}

void Resampler::Push(const BYTE* bgr) {
    if (Done() || m_nextSource >= m_sourceHeight) return;
    const int y = m_nextSource++;
    std::uint16_t* out = m_ring.data() + static_cast<std::size_t>(y % m_ringSize) * m_targetWidth * 3;
    for (int t = 0; t < m_targetWidth; ++t) {
        const BYTE* in = bgr + static_cast<std::size_t>(m_across.First(t)) * 3;
        const std::int32_t* w = m_across.Weights(t);
        std::int32_t b = 0, g = 0, r = 0;
        for (int k = 0, n = m_across.Count(t); k < n; ++k, in += 3) {
            b += w[k] * in[0];
            g += w[k] * in[1];
            r += w[k] * in[2];
        }
        out[t * 3] = static_cast<std::uint16_t>((b + 32) >> 6);
        out[t * 3 + 1] = static_cast<std::uint16_t>((g + 32) >> 6);
        out[t * 3 + 2] = static_cast<std::uint16_t>((r + 32) >> 6);
    }
    EmitReadyRows();
}

void Resampler::EmitReadyRows() {
    // A target row is finished once the last source row it needs is in; the
    // ring is large enough that no row it needs has been overwritten by then.
    const std::size_t values = m_accumulator.size();
    while (!Done() && m_down.First(m_nextTarget) + m_down.Count(m_nextTarget) <= m_nextSource) {
        const int first = m_down.First(m_nextTarget);
        const int count = m_down.Count(m_nextTarget);
        const std::int32_t* w = m_down.Weights(m_nextTarget);
        std::fill(m_accumulator.begin(), m_accumulator.end(), 0u);
        for (int k = 0; k < count; ++k) {
            const std::uint16_t* in = m_ring.data() + static_cast<std::size_t>((first + k) % m_ringSize) * values;
            const std::uint32_t weight = static_cast<std::uint32_t>(w[k]);
            for (std::size_t i = 0; i < values; ++i) m_accumulator[i] += weight * in[i];
        }
        for (std::size_t i = 0; i < values; ++i) {
            const std::uint32_t v = (m_accumulator[i] + (1u << 21)) >> 22;
            m_target[i] = static_cast<BYTE>(v > 255 ? 255 : v);
        }
        m_targetRow(m_nextTarget++, m_target.data());
    }
}

}  // namespace pixo
