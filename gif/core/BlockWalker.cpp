#include "gif/core/BlockWalker.h"

#include "gif/core/Blocks.h"

namespace email32::gif::core {

namespace {

WalkEnd Walk(ByteView file, std::size_t& position, BlockVisitor& visitor) {
    for (;;) {
        if (position >= file.size) return WalkEnd::EndOfFile;
        std::size_t consumed = 0;
        switch (file.At(position)) {
        case 0x00:
            while (position < file.size && file.At(position) == 0x00) ++position;
            break;
        case kExtensionIntroducer:
            ++position;
            if (position >= file.size) return WalkEnd::EndOfFile;
            consumed = visitor.OnExtension(file.From(position));
            if (consumed == kCutOff) return WalkEnd::CutOff;
            position += consumed;
            break;
        case kImageSeparator:
            consumed = visitor.OnImage(file.From(position));
            if (consumed == kCutOff) return WalkEnd::CutOff;
            // An image that consumed nothing would be met again forever.
            if (consumed == 0) return WalkEnd::NotABlock;
            position += consumed;
            break;
        case kTrailer: return WalkEnd::Trailer;
        default: return WalkEnd::NotABlock;
        }
        if (visitor.Enough()) return WalkEnd::Enough;
    }
}

}  // namespace

WalkEnd WalkBlocks(ByteView file, std::size_t position, BlockVisitor& visitor, std::size_t* endPosition) {
    const WalkEnd end = Walk(file, position, visitor);
    if (endPosition) *endPosition = position;
    return end;
}

}  // namespace email32::gif::core
