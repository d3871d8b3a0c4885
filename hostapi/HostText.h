// The copying of results into the host's buffers at the C interface.
#pragma once

#include "public/email32.h"

#include <string>

namespace email32::hostapi {

// Copies text with its terminating zero into a host buffer of chars
// characters. A null buffer with 0 characters asks for nothing.
template <class Char>
[[nodiscard]] int CopyOut(const std::basic_string<Char>& text, Char* buffer, int chars) noexcept {
    if (chars < 0 || (buffer == nullptr && chars != 0)) return EMAIL32_BAD_ARGUMENT;
    if (buffer == nullptr) return EMAIL32_OK;
    if (text.size() >= static_cast<size_t>(chars)) {
        if (chars > 0) buffer[0] = Char();
        return EMAIL32_BUFFER_TOO_SMALL;
    }
    text.copy(buffer, text.size());
    buffer[text.size()] = Char();
    return EMAIL32_OK;
}

}  // namespace email32::hostapi
