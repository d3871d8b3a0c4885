// A comment extension: its text, read from and written as sub-blocks.
#pragma once

#include "public/framework/CString.h"
#include "gif/GifBlock.h"

#include <optional>
#include <string>

class CGifComment : public CGifBlock {
    DECLARE_SERIAL(CGifComment)
public:
    CGifComment() noexcept { m_nKind = kComment; }
    ~CGifComment() override { CGifComment::Clear(); }

    void Serialize(CArchive& archive) override;
    void Clear() override;
    std::size_t Read(const BYTE* p, std::size_t available) override;
    virtual void SetText(CString text);

    [[nodiscard]] bool HasRecord() const noexcept { return m_hasRecord; }
    // Null when the comment has no text.
    [[nodiscard]] const char* Text() const noexcept { return m_text ? m_text->c_str() : nullptr; }

private:
    bool m_hasRecord = false;
    BYTE m_label = 0;
    std::optional<std::string> m_text;
};
