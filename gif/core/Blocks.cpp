#include "gif/core/Blocks.h"

namespace email32::gif::core {

int BitsForColourCount(int colours) noexcept {
    if (colours <= 2) return 1;
    if (colours <= 16) return 4;
    return 8;
}

bool HasGifSignature(ByteView file, bool acceptOld) noexcept {
    if (!file.Has(0, 6)) return false;
    auto upper = [](std::uint8_t c) { return (c >= 'a' && c <= 'z') ? static_cast<std::uint8_t>(c - 32) : c; };
    if (upper(file.At(0)) != 'G' || upper(file.At(1)) != 'I' || upper(file.At(2)) != 'F') return false;
    if (file.At(3) != '8' || upper(file.At(5)) != 'A') return false;
    return file.At(4) == '9' || (acceptOld && file.At(4) == '7');
}

std::size_t HeadBytes(ByteView file) noexcept {
    if (!file.Has(0, kHeaderBytes)) return 0;
    const std::uint8_t packed = file.At(10);
    if ((packed & kColourTableFlag) == 0) return kHeaderBytes;
    return kHeaderBytes + 3 * static_cast<std::size_t>(ColourCount(packed));
}

std::size_t ReadTextChain(ByteView view, std::string* text) {
    std::size_t position = 0;
    for (;;) {
        if (!view.Has(position)) return kCutOff;
        const std::size_t length = view.At(position);
        ++position;
        if (length == 0) return position;
        if (!view.Has(position, length)) return kCutOff;
        if (text) text->append(reinterpret_cast<const char*>(view.data + position), length);
        position += length;
        if (length != 255) return position;
    }
}

std::size_t SubBlockChainBytes(ByteView view) noexcept {
    std::size_t position = 0;
    for (;;) {
        if (!view.Has(position)) return kCutOff;
        const std::size_t length = view.At(position);
        ++position;
        if (length == 0) return position;
        if (!view.Has(position, length)) return kCutOff;
        position += length;
    }
}

std::size_t ExtensionBytes(ByteView atLabel) noexcept {
    if (!atLabel.Has(0)) return kCutOff;
    const std::size_t chain = SubBlockChainBytes(atLabel.From(1));
    return chain == kCutOff ? kCutOff : 1 + chain;
}

std::size_t ApplicationBytes(ByteView atLabel) noexcept {
    if (!atLabel.Has(0, kApplicationHeaderBytes + 1)) return kCutOff;
    const std::size_t n = atLabel.At(kApplicationHeaderBytes);
    if (!atLabel.Has(kApplicationHeaderBytes, n + 2)) return kCutOff;
    return n + 15;
}

std::size_t ImageHeaderBytes(ByteView atSeparator) noexcept {
    std::size_t position = 1 + kDescriptorBytes;
    if (!atSeparator.Has(0, position)) return kCutOff;
    const std::uint8_t packed = atSeparator.At(1 + 8);
    if (packed & kColourTableFlag) position += 3 * static_cast<std::size_t>(ColourCount(packed));
    // The minimum code size byte must be there as well.
    if (!atSeparator.Has(position)) return kCutOff;
    return position;
}

}  // namespace email32::gif::core
