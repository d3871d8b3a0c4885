// PPixo::RescaleImage: the picture is scaled through true colour with the
// separable filter of PixoResample and written in the target's own layout.
#include "companions/pixo/PPixo.h"

#include "companions/kromo/KromoMapper.h"
#include "companions/pixo/PixoResample.h"

#include <new>

BOOL PPixo::RescaleImage(const PPixo& source, void* /*progress*/, int /*reserved*/, int /*quality*/) {
    if (IsEmpty() || source.IsEmpty() || BitsPerPixel(source.m_type) == 0) return FALSE;
    if (&source == this) {
        PPixo copy;
        if (!copy.CopyObject(source)) return FALSE;
        return RescaleImage(copy, nullptr, 0, 100);
    }
    // An indexed picture scaled into an indexed target of its own kind keeps
    // its colours: the target takes over the source's table, so that the
    // averaged pixels are mapped back onto the colours the picture has.
    const bool indexed = m_type == kPixoBlackWhite || m_type == kPixoIndexed16 || m_type == kPixoIndexed256;
    if (indexed && source.m_type == m_type) m_colours = source.m_colours;

    try {
        kromo::RowPacker packer(m_type, m_colours, m_width, false);
        pixo::Resampler resampler(source.m_width, source.m_height, m_width, m_height,
                                  [&](int y, const BYTE* bgr) { packer.Pack(bgr, Line(y)); });
        // True-colour rows are read where they lie; others are converted
        // one at a time.
        const bool direct = source.m_type == kPixoTrueColor;
        std::vector<BYTE> row(direct ? 0 : static_cast<std::size_t>(source.m_width) * 3);
        for (int y = 0; y < source.m_height && !resampler.Done(); ++y) {
            if (direct) {
                resampler.Push(source.Line(y));
            } else {
                source.Get24bitHorLine(0, source.m_width - 1, y, row.data(), nullptr);
                resampler.Push(row.data());
            }
        }
        return resampler.Done() ? TRUE : FALSE;
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
}
