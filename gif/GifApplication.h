// An application extension, by default the "NETSCAPE2.0" looping record.
#pragma once

#include "gif/GifBlock.h"

#include <array>
#include <vector>

class CGifApplication : public CGifBlock {
    DECLARE_SERIAL(CGifApplication)
public:
    CGifApplication() noexcept { m_nKind = kApplication; }
    ~CGifApplication() override { CGifApplication::Clear(); }

    void Serialize(CArchive& archive) override;
    void Clear() override;
    void SetDefault() override;
    std::size_t Read(const BYTE* p, std::size_t available) override;

    [[nodiscard]] bool HasRecord() const noexcept { return m_hasRecord; }
    // Label, block size, identifier and authentication code as read.
    [[nodiscard]] const std::array<BYTE, 13>& Record() const noexcept { return m_record; }
    // The first data sub-block: its length byte, its data and the byte after.
    [[nodiscard]] const std::vector<BYTE>& SubBlock() const noexcept { return m_subBlock; }

private:
    std::array<BYTE, 13> m_record{};
    bool m_hasRecord = false;
    std::vector<BYTE> m_subBlock;
};
