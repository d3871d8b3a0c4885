#include "gif/GifApplication.h"

#include "gif/core/Blocks.h"

#include <cstring>

IMPLEMENT_SERIAL(CGifApplication, CObject, 1)

void CGifApplication::Clear() {
    m_record.fill(0);
    m_hasRecord = false;
    m_subBlock.clear();
}

void CGifApplication::SetDefault() {
    static const char kNetscape[] = "NETSCAPE2.0";
    m_record[0] = email32::gif::core::kApplicationLabel;
    m_record[1] = 0x0B;
    std::memcpy(m_record.data() + 2, kNetscape, 11);
    m_hasRecord = true;
    // Sub-block 1 with a loop count of 0 (loop without end), then the terminator.
    m_subBlock = {0x03, 0x01, 0x00, 0x00, 0x00};
}

std::size_t CGifApplication::Read(const BYTE* p, std::size_t available) {
    Clear();
    const std::size_t bytes = email32::gif::core::ApplicationBytes(email32::gif::core::ByteView{p, available});
    if (bytes == email32::gif::core::kCutOff) return bytes;
    std::memcpy(m_record.data(), p, m_record.size());
    m_hasRecord = true;
    // The length byte, the data and the byte after them.
    m_subBlock.assign(p + 13, p + bytes);
    return bytes;
}

void CGifApplication::Serialize(CArchive& archive) {
    if (!archive.IsStoring() || !m_hasRecord) return;
    const BYTE introducer = email32::gif::core::kExtensionIntroducer;
    const BYTE zero = 0;
    archive.Write(&introducer, 1);
    archive.Write(m_record.data(), static_cast<UINT>(m_record.size()));
    if (m_subBlock.empty()) {
        archive.Write(&zero, 1);
    } else {
        archive.Write(m_subBlock.data(), static_cast<UINT>(m_subBlock[0]) + 1u);
    }
    archive.Write(&zero, 1);
}
