// The base of the blocks a GIF file is held as: each keeps the bytes of its
// record as they stand in the file, reads itself from the file's memory view
// and writes itself to an archive.
#pragma once

#include "framework/Archive.h"
#include "framework/ClassList.h"

#include <windows.h>

#include <cstddef>

class CGifBlock : public CObject {
    DECLARE_SERIAL(CGifBlock)
public:
    enum Kind { kHead = 0, kApplication = 1, kComment = 2, kFrame = 3, kPlain = 4 };

    CGifBlock() noexcept = default;
    ~CGifBlock() override = default;
    void Serialize(CArchive& archive) override;

    // Releases everything the block holds.
    virtual void Clear() {}
    virtual void SetDefault() {}
    // `p` is the block's first byte in the file image (the label for
    // extensions, 0x2C for images, the file's first byte for the head) and
    // `available` the bytes from there to the end of the file. Returns the
    // bytes consumed from `p`, or gif::core::kCutOff when the block runs past
    // the end of the file.
    virtual std::size_t Read(const BYTE* p, std::size_t available);

    int m_nKind = kPlain;
};
