// Arbitrary bytes through the reader of the helper's request file; crashes
// and undefined behaviour are findings, and whatever it accepts must read
// back the same once written again.
#include "dispatch/MapiRequest.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The data's own copy, so that reads past its end are caught.
    const std::string copy(reinterpret_cast<const char*>(data), size);
    std::string problem;
    const auto request = email32::dispatch::ReadMapiRequest(copy, problem);
    if (!request) return 0;
    const std::string written = email32::dispatch::WriteMapiRequest(*request);
    const auto again = email32::dispatch::ReadMapiRequest(written, problem);
    if (!again || email32::dispatch::WriteMapiRequest(*again) != written) std::abort();
    return 0;
}
