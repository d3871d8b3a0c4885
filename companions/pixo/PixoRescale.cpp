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
        const int lastColumn = source.m_width - 1;
        const bool ok = pixo::Resample(
            source.m_width, source.m_height, m_width, m_height,
            [&](int y, BYTE* bgr) { source.Get24bitHorLine(0, lastColumn, y, bgr, nullptr); },
            [&](int y, const BYTE* bgr) { packer.Pack(bgr, Line(y)); });
        return ok ? TRUE : FALSE;
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
}
