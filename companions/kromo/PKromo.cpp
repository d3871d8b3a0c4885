#include "companions/kromo/PKromo.h"

#include "companions/kromo/KromoMapper.h"
#include "companions/kromo/KromoQuantizer.h"
#include "companions/pixo/PPixo.h"

#include <new>
#include <vector>

PKromo::~PKromo() = default;

BOOL PKromo::BuildAgent(PPixo* target, const PPixo* source, const PKromoMethod& method) {
    m_target = nullptr;
    m_source = nullptr;
    if (target == nullptr || source == nullptr || target == source) return FALSE;
    if (target->IsEmpty() || source->IsEmpty()) return FALSE;
    if (target->GetImageWidth() != source->GetImageWidth() || target->GetImageHeight() != source->GetImageHeight()) {
        return FALSE;
    }
    if (PPixo::BitsPerPixel(source->GetImageType()) == 0 || PPixo::BitsPerPixel(target->GetImageType()) == 0) {
        return FALSE;
    }
    m_target = target;
    m_source = source;
    m_method = method;
    return TRUE;
}

BOOL PKromo::ConvertImg(void* /*progress*/, void* /*reserved1*/, void* /*reserved2*/, int /*reserved3*/,
                        int /*quality*/) {
    if (m_target == nullptr || m_source == nullptr) return FALSE;
    const int width = m_source->GetImageWidth();
    const int height = m_source->GetImageHeight();
    if (m_target->GetImageWidth() != width || m_target->GetImageHeight() != height) return FALSE;
    try {
        const bool diffuse = m_method.mapping == kErrorDiffusion;
        kromo::RowPacker packer(m_target->GetImageType(), m_target->ColourTable(), width, diffuse);
        std::vector<BYTE> bgr(static_cast<std::size_t>(width) * 3 + 3);
        for (int y = 0; y < height; ++y) {
            if (!m_source->Get24bitHorLine(0, width - 1, y, bgr.data(), nullptr)) return FALSE;
            packer.Pack(bgr.data(), m_target->Line(y));
        }
        return TRUE;
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
}

HPALETTE PKromo::CreateCustomPalette(const PPixo& image, int colours) {
    if (image.IsEmpty() || colours < 2) return nullptr;
    std::vector<RGBQUAD> table;
    try {
        table = kromo::FitPalette(image, colours > 256 ? 256 : colours);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return PPixo::PaletteOfTable(table);
}
