// JPEG pictures decoded row by row for a consumer, the lower part of a large
// one on a second thread.
//
// A baseline file is one entropy-coded stream: nothing in it tells where a
// later row starts. The helper thread gets there with jpeg_skip_scanlines,
// which entropy-decodes the rows above without reconstructing them, and
// decodes the rest; the calling thread meanwhile decodes the upper part and
// hands its rows over at once. Skipping costs most of what decoding does at
// small scales and far less at large ones, so the calling thread's share
// grows as the scale shrinks.
#include "companions/rasio/RasioJpeg.h"

#include "companions/rasio/RasioJpegDecompress.h"
#include "base/Win32Handles.h"

#include <process.h>
#include <windows.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

namespace rasio::jpeg {
namespace {

constexpr int kBandRows = 16;
// Smaller pictures decode too quickly for a second thread to pay.
constexpr long long kSplitPixels = 1LL << 20;

// The share of the rows that the calling thread decodes when a helper takes
// the rest, by scale: chosen so that both finish together, the calling
// thread also scaling every row, which costs more the larger the rows.
// (Measured on a 12-megapixel photo: 2/8 best near 0.72, 4/8 near 0.5, 6/8
// and 8/8 near 0.4 and below.)
double TopShare(int eighths) noexcept {
    switch (eighths) {
    case 1: return 1.0;  // skipping costs as much as decoding
    case 2: return 0.72;
    case 3:
    case 4: return 0.5;
    default: return 0.4;
    }
}

struct Output {
    int width = 0;
    int height = 0;
    bool cmyk = false;
    bool inverted = false;  // Adobe's inks
};

// Sets the scale and blue-green-red output of a decompressor whose header
// has been read.
bool SetOutput(jpeg_decompress_struct& cinfo, int eighths, Output& out) {
    const J_COLOR_SPACE space = cinfo.jpeg_color_space;
    if (space != JCS_GRAYSCALE && !IsColour(space)) return false;
    cinfo.scale_num = static_cast<unsigned>(eighths);
    cinfo.scale_denom = 8;
    out.cmyk = space == JCS_CMYK || space == JCS_YCCK;
    out.inverted = cinfo.saw_Adobe_marker != 0;
    cinfo.out_color_space = out.cmyk ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_calc_output_dimensions(&cinfo);
    out.width = static_cast<int>(cinfo.output_width);
    out.height = static_cast<int>(cinfo.output_height);
    return out.width > 0 && out.height > 0;
}

// Reads up to count rows into lines stride bytes apart; the number read.
int ReadBand(jpeg_decompress_struct& cinfo, const Output& out, BYTE* first, std::size_t stride, int count, BYTE* inks) {
    if (out.cmyk) {
        for (int i = 0; i < count; ++i) {
            JSAMPROW row = inks;
            if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) return i;
            CmykToBgr(inks, out.width, out.inverted, first + static_cast<std::size_t>(i) * stride);
        }
        return count;
    }
    JSAMPROW rows[kBandRows];
    for (int i = 0; i < count; ++i) rows[i] = first + static_cast<std::size_t>(i) * stride;
    int got = 0;
    while (got < count) {
        const JDIMENSION n = jpeg_read_scanlines(&cinfo, rows + got, static_cast<JDIMENSION>(count - got));
        if (n == 0) break;
        got += static_cast<int>(n);
    }
    return got;
}

// The rows from `first` down, decoded on a helper thread into memory of
// their own and taken one at a time as they are ready.
class LowerPart {
public:
    LowerPart() noexcept {
        ::InitializeSRWLock(&m_lock);
        ::InitializeConditionVariable(&m_changed);
    }
    LowerPart(const LowerPart&) = delete;
    LowerPart& operator=(const LowerPart&) = delete;
    ~LowerPart() { Stop(); }

    // step: rows skipped at a time, whole iMCU rows. False when no memory or
    // thread can be had; the caller then decodes these rows itself.
    bool Launch(const char* path, int eighths, int first, int step, const Output& out) {
        m_path = path;
        m_eighths = eighths;
        m_first = first;
        m_step = step;
        m_out = out;
        m_stride = static_cast<std::size_t>(out.width) * 3;
        try {
            m_rows.resize(m_stride * static_cast<std::size_t>(out.height - first));
        } catch (const std::bad_alloc&) {
            return false;
        }
        const std::uintptr_t thread = ::_beginthreadex(nullptr, 0, Run, this, 0, nullptr);
        if (thread == 0) return false;
        m_thread.reset(reinterpret_cast<HANDLE>(thread));
        // Where the system honours it, a helper only ever takes processor
        // time nothing else wants; starved, it is stopped (DecodeTop).
        ::SetThreadPriority(m_thread.get(), THREAD_PRIORITY_BELOW_NORMAL);
        return true;
    }

    // The row the helper has reached, skipping or decoding.
    [[nodiscard]] int Position() noexcept { return static_cast<int>(::InterlockedCompareExchange(&m_position, 0, 0)); }
    // Whether row y (first or below) is decoded.
    [[nodiscard]] bool Ready(int y) noexcept { return y >= m_first && Position() > y && !m_stopped; }

    // Row y (first or below) once decoded; null when the decode failed.
    const BYTE* WaitRow(int y) {
        const int need = y - m_first + 1;
        ::AcquireSRWLockExclusive(&m_lock);
        while (m_done < need && !m_finished) ::SleepConditionVariableSRW(&m_changed, &m_lock, INFINITE, 0);
        const bool ready = m_done >= need;
        ::ReleaseSRWLockExclusive(&m_lock);
        return ready ? m_rows.data() + static_cast<std::size_t>(y - m_first) * m_stride : nullptr;
    }

    // Waits for the thread; true when it decoded its part to the end.
    bool Finish() {
        if (!m_thread) return false;
        ::WaitForSingleObject(m_thread.get(), INFINITE);
        m_thread.reset();
        return m_ok;
    }

    // Asks the thread to give up and waits for it.
    void Stop() noexcept {
        if (!m_thread) return;
        m_stopped = true;
        ::InterlockedExchange(&m_stop, 1);
        ::WaitForSingleObject(m_thread.get(), INFINITE);
        m_thread.reset();
    }

private:
    static unsigned __stdcall Run(void* self) {
        auto* part = static_cast<LowerPart*>(self);
        bool ok = false;
        try {
            ok = part->Decode();
        } catch (...) {
            ok = false;
        }
        ::AcquireSRWLockExclusive(&part->m_lock);
        part->m_finished = true;
        part->m_ok = ok;
        ::ReleaseSRWLockExclusive(&part->m_lock);
        ::WakeAllConditionVariable(&part->m_changed);
        return 0;
    }

    [[nodiscard]] bool Stopping() noexcept { return ::InterlockedCompareExchange(&m_stop, 0, 0) != 0; }

    void Publish(int rows) {
        ::AcquireSRWLockExclusive(&m_lock);
        m_done = rows;
        ::ReleaseSRWLockExclusive(&m_lock);
        ::InterlockedExchange(&m_position, m_first + rows);
        ::WakeAllConditionVariable(&m_changed);
    }

    // On the helper thread.
    bool Decode() {
        Decompression d;
        std::vector<BYTE> inks(static_cast<std::size_t>(m_out.width) * 4);
        if (!Prepare(d, m_path.c_str())) return false;
        if (setjmp(d.trap.jump)) return false;
        Start(d);
        jpeg_decompress_struct& cinfo = d.cinfo;
        Output out;
        if (!SetOutput(cinfo, m_eighths, out) || out.width != m_out.width || out.height != m_out.height) return false;
        jpeg_start_decompress(&cinfo);
        // In steps, so that the calling thread sees how fast this goes.
        while (static_cast<int>(cinfo.output_scanline) < m_first) {
            if (Stopping()) return false;
            const int step = std::min(m_step, m_first - static_cast<int>(cinfo.output_scanline));
            if (jpeg_skip_scanlines(&cinfo, static_cast<JDIMENSION>(step)) != static_cast<JDIMENSION>(step)) {
                return false;
            }
            ::InterlockedExchange(&m_position, static_cast<LONG>(cinfo.output_scanline));
        }
        while (static_cast<int>(cinfo.output_scanline) < out.height) {
            if (Stopping()) return false;
            const int y = static_cast<int>(cinfo.output_scanline);
            BYTE* first = m_rows.data() + static_cast<std::size_t>(y - m_first) * m_stride;
            const int got = ReadBand(cinfo, out, first, m_stride, std::min(kBandRows, out.height - y), inks.data());
            if (got == 0 || d.source->ended) return false;
            Publish(y + got - m_first);
        }
        jpeg_abort_decompress(&cinfo);
        return true;
    }

    std::string m_path;
    int m_eighths = 8;
    int m_first = 0;
    int m_step = 1;
    Output m_out;
    std::size_t m_stride = 0;
    std::vector<BYTE> m_rows;
    email32::base::AutoCloseHandle m_thread;
    SRWLOCK m_lock;
    CONDITION_VARIABLE m_changed;
    int m_done = 0;           // rows decoded, under m_lock
    bool m_finished = false;  // under m_lock
    bool m_ok = false;        // under m_lock
    bool m_stopped = false;   // by the calling thread
    volatile LONG m_stop = 0;
    volatile LONG m_position = 0;
};

// Decodes rows from the top on the calling thread, handing each to `row`.
// With `lower`, a large single-scan picture's lower part is started there
// first; the calling thread then goes on to the helper's rows as soon as it
// reaches one the helper has ready. A helper that falls behind (its
// processor busy with other work) is stopped, and the calling thread decodes
// on alone. split: the first row that is the helper's to give.
bool DecodeTop(const char* path, int eighths, LowerPart* lower, const RowFn& row, int& split, int& height) {
    Decompression d;
    std::vector<BYTE> band;
    std::vector<BYTE> inks;
    if (!Prepare(d, path)) return false;
    if (setjmp(d.trap.jump)) return false;
    Start(d);
    jpeg_decompress_struct& cinfo = d.cinfo;
    Output out;
    if (!SetOutput(cinfo, eighths, out)) return false;
    const std::size_t stride = static_cast<std::size_t>(out.width) * 3;
    band.resize(stride * kBandRows);
    inks.resize(static_cast<std::size_t>(out.width) * 4);
    height = out.height;
    split = out.height;
    int at = out.height;  // where the helper's rows begin
    const long long pixels = static_cast<long long>(cinfo.image_width) * cinfo.image_height;
    const double share = TopShare(eighths);
    if (lower != nullptr && share < 1.0 && pixels >= kSplitPixels && !jpeg_has_multiple_scans(&cinfo)) {
        // The helper starts at an iMCU row: skipping whole ones only
        // entropy-decodes them, a part of one would be decoded in full.
        const int unit = cinfo.min_DCT_scaled_size * cinfo.max_v_samp_factor;
        const int first = static_cast<int>(out.height * share) / unit * unit;
        const int step = std::max(unit, kBandRows * 2 / unit * unit);
        if (first > 0 && out.height - first >= 2 * kBandRows && lower->Launch(path, eighths, first, step, out)) {
            at = first;
        }
    }
    jpeg_start_decompress(&cinfo);
    while (static_cast<int>(cinfo.output_scanline) < out.height) {
        const int y = static_cast<int>(cinfo.output_scanline);
        if (at < out.height) {
            if (lower->Ready(y)) {
                split = y;
                break;
            }
            if (y >= 4 * kBandRows && lower->Position() < y - 2 * kBandRows) {
                lower->Stop();
                at = out.height;
            }
        }
        const int count = std::min(kBandRows, (y < at ? at : out.height) - y);
        const int got = ReadBand(cinfo, out, band.data(), stride, count, inks.data());
        if (got == 0 || d.source->ended) return false;
        for (int i = 0; i < got; ++i) row(y + i, band.data() + static_cast<std::size_t>(i) * stride);
    }
    jpeg_abort_decompress(&cinfo);
    return true;
}

}  // namespace

bool DecodeRows(const char* path, int eighths, bool helper, const RowFn& row) {
    if (path == nullptr || eighths < 1 || eighths > 8) return false;
    try {
        LowerPart lower;  // stopped and waited for on every way out
        int split = 0, height = 0;
        if (!DecodeTop(path, eighths, helper ? &lower : nullptr, row, split, height)) return false;
        if (split == height) return true;
        for (int y = split; y < height; ++y) {
            const BYTE* line = lower.WaitRow(y);
            if (line == nullptr) return false;
            row(y, line);
        }
        return lower.Finish();
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace rasio::jpeg
