// The byte layouts of the GIF blocks that the codec keeps, read over a
// bounded view. Each reader takes a view that starts where the block starts
// and returns the bytes it consumed, or kCutOff when the block runs past the
// end of the view.
#pragma once

#include "gif/core/ByteView.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace email32::gif::core {

inline constexpr std::size_t kHeaderBytes = 13;
inline constexpr std::size_t kDescriptorBytes = 9;
inline constexpr std::size_t kGraphicControlBytes = 7;
inline constexpr std::size_t kPlainTextHeaderBytes = 14;
inline constexpr std::size_t kApplicationHeaderBytes = 13;

inline constexpr std::uint8_t kExtensionIntroducer = 0x21;
inline constexpr std::uint8_t kImageSeparator = 0x2C;
inline constexpr std::uint8_t kTrailer = 0x3B;
inline constexpr std::uint8_t kPlainTextLabel = 0x01;
inline constexpr std::uint8_t kGraphicControlLabel = 0xF9;
inline constexpr std::uint8_t kCommentLabel = 0xFE;
inline constexpr std::uint8_t kApplicationLabel = 0xFF;

inline constexpr std::uint8_t kColourTableFlag = 0x80;
inline constexpr std::uint8_t kInterlaceFlag = 0x40;
inline constexpr std::uint8_t kTransparentFlag = 0x01;

// Entries of a colour table whose size bits are packed & 7: 2 to 256.
[[nodiscard]] inline int ColourCount(std::uint8_t packed) noexcept { return 2 << (packed & 7); }

// Bits per pixel for a colour count (0 = no table at all): 1, 4 or 8.
[[nodiscard]] int BitsForColourCount(int colours) noexcept;

// True for "GIF87a" or "GIF89a" in any letter case; `acceptOld` false
// accepts only the 89a version.
[[nodiscard]] bool HasGifSignature(ByteView file, bool acceptOld) noexcept;

// Bytes of the header record and the global colour table it declares;
// needs the first 13 bytes (0 when the view is shorter).
[[nodiscard]] std::size_t HeadBytes(ByteView file) noexcept;

// A chain of text sub-blocks read as comments and plain text are: lengths
// are added while sub-blocks are 255 bytes long; a zero length is consumed,
// the terminator after a shorter last sub-block is not. `view` starts at
// the first length byte.
[[nodiscard]] std::size_t ReadTextChain(ByteView view, std::string* text);

// A sub-block chain from its first length byte: every sub-block and the
// zero-length terminator.
[[nodiscard]] std::size_t SubBlockChainBytes(ByteView view) noexcept;

// A whole extension from its label: the label, then the sub-blocks up to
// and including the terminator (the first sub-block is the extension's own
// record: 4 bytes for a graphic control, 11 for an application, 12 for
// plain text). Extension data of any kind (XMP, ICC profiles, loop records
// with several sub-blocks, unknown labels) is walked this way, as readers
// of the format do, whatever part of it a block keeps.
[[nodiscard]] std::size_t ExtensionBytes(ByteView atLabel) noexcept;

// Application extension at its label: 13 bytes, the first sub-block's
// length n, n bytes and the byte after them (n + 15 bytes kept).
[[nodiscard]] std::size_t ApplicationBytes(ByteView atLabel) noexcept;

// Image descriptor and local colour table at the 0x2C separator: the
// position of the minimum code size byte.
[[nodiscard]] std::size_t ImageHeaderBytes(ByteView atSeparator) noexcept;

// Writes `text` as comment and plain-text sub-blocks are written: 255-byte
// sub-blocks while 255 or more bytes remain, then the rest (possibly 0
// bytes). The caller adds the terminator.
template <typename Write>
void WriteTextSubBlocks(const std::string& text, Write write) {
    std::size_t n = text.size();
    const std::uint8_t* p = reinterpret_cast<const std::uint8_t*>(text.data());
    const std::uint8_t full = 255;
    while (n >= 255) {
        write(&full, 1);
        write(p, 255);
        p += 255;
        n -= 255;
    }
    const std::uint8_t last = static_cast<std::uint8_t>(n);
    write(&last, 1);
    if (n > 0) write(p, n);
}

}  // namespace email32::gif::core
