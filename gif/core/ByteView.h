// A read-only window on bytes that knows where it ends: every GIF reader
// works on one, so that no length claimed by the data can take a read past
// the end of the file.
#pragma once

#include <cstddef>
#include <cstdint>

namespace email32::gif::core {

// Returned by the block readers when a record or sub-block chain runs past
// the end of the data; the parse ends there as it would at a trailer.
inline constexpr std::size_t kCutOff = static_cast<std::size_t>(-1);

struct ByteView {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;

    [[nodiscard]] bool Has(std::size_t offset, std::size_t count = 1) const noexcept {
        return offset <= size && count <= size - offset;
    }
    [[nodiscard]] std::uint8_t At(std::size_t offset) const noexcept { return data[offset]; }
    [[nodiscard]] std::uint16_t U16At(std::size_t offset) const noexcept {
        return static_cast<std::uint16_t>(data[offset] | (data[offset + 1] << 8));
    }
    // The bytes from offset on; empty when offset lies beyond the end.
    [[nodiscard]] ByteView From(std::size_t offset) const noexcept {
        return offset < size ? ByteView{data + offset, size - offset} : ByteView{data + size, 0};
    }
};

}  // namespace email32::gif::core
