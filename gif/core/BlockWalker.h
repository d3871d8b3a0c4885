// The block loop of a GIF file after its head: dispatch on the byte at the
// position, bounded by the end of the file whatever the blocks claim.
#pragma once

#include "gif/core/ByteView.h"

#include <cstddef>

namespace email32::gif::core {

class BlockVisitor {
public:
    // At an extension's label byte: the bytes consumed from the label on,
    // 0 for a label that is not read, kCutOff when the block runs past the
    // end of the file.
    virtual std::size_t OnExtension(ByteView atLabel) = 0;
    // At a 0x2C separator: the bytes consumed from it on, or kCutOff.
    virtual std::size_t OnImage(ByteView atSeparator) = 0;
    // Asked after every step: true ends the walk (enough frames seen).
    virtual bool Enough() = 0;

protected:
    ~BlockVisitor() = default;
};

enum class WalkEnd { Trailer, NotABlock, EndOfFile, CutOff, Enough };

// Zero bytes between blocks are skipped; the walk ends at the trailer, at a
// byte that starts no block, at or past the end of the file, at a block cut
// off by the end, or when the visitor has enough. `endPosition`, when
// given, receives the position the walk ended at.
WalkEnd WalkBlocks(ByteView file, std::size_t position, BlockVisitor& visitor, std::size_t* endPosition = nullptr);

}  // namespace email32::gif::core
