#include "gif/GifComment.h"

#include "gif/core/Blocks.h"

#include <cstring>

IMPLEMENT_SERIAL(CGifComment, CObject, 1)

void CGifComment::Clear() {
    m_hasRecord = false;
    m_label = 0;
    m_text.reset();
}

std::size_t CGifComment::Read(const BYTE* p, std::size_t available) {
    Clear();
    if (available == 0) return email32::gif::core::kCutOff;
    std::string text;
    const std::size_t chain =
        email32::gif::core::ReadTextChain(email32::gif::core::ByteView{p + 1, available - 1}, &text);
    if (chain == email32::gif::core::kCutOff) return chain;
    m_hasRecord = true;
    m_label = p[0];
    // The text is a zero-terminated string: it ends at its first zero byte.
    m_text = std::string(text.c_str());
    return 1 + chain;
}

void CGifComment::SetText(CString text) {
    m_hasRecord = true;
    m_label = email32::gif::core::kCommentLabel;
    m_text = std::string(static_cast<const char*>(text));
}

void CGifComment::Serialize(CArchive& archive) {
    if (!archive.IsStoring() || !m_hasRecord) return;
    const BYTE start[2] = {email32::gif::core::kExtensionIntroducer, m_label};
    const BYTE zero = 0;
    archive.Write(start, 2);
    if (m_text) {
        email32::gif::core::WriteTextSubBlocks(*m_text, [&](const std::uint8_t* bytes, std::size_t count) {
            archive.Write(bytes, static_cast<UINT>(count));
        });
    } else {
        archive.Write(&zero, 1);
    }
    archive.Write(&zero, 1);
}
