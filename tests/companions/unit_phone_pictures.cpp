// HEIC, WebP and Exif JPEG files with bytes changed at random (fixed seed),
// made JPEG files as the attachment preparation makes photos: every file
// ends within 10 seconds, written whole or refused, and memory stays bounded.
// The Exif and JPEG segment rewriters are also fuzzed natively.
#include "companions/rasio/Rasio32.h"
#include "sendui/ImageFileIO.h"
#include "sendui/PictureAccess.h"
#include "tests/companions/PictureTestSupport.h"

#include <psapi.h>
#include <process.h>

#include <gtest/gtest.h>

namespace email32::test {
namespace {

struct ShrinkCall {
    std::string source;
    std::string target;
    sendui::PictureAccess::Outcome outcome = sendui::PictureAccess::Outcome::NotLoaded;

    static unsigned __stdcall Run(void* self) {
        auto* call = static_cast<ShrinkCall*>(self);
        sendui::PictureAccess::Shrinking shrinking{64, true, false};
        shrinking.photo = true;
        call->outcome = sendui::PictureAccess::Shrink(call->source.c_str(), call->target.c_str(), shrinking);
        return 0;
    }
};

std::size_t PrivateBytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    return ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters) ? counters.PagefileUsage : 0;
}

TEST(PhonePictures, MutatedHeicWebpAndExifFilesAreMadeOrRefusedInBoundedTimeAndMemory) {
    TempFolder folder("phonemut");
    unsigned seed = 2026;
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) & 0xFFFFFF;
    };
    // The picture's own memory is bounded by the pixel limit; the decoders'
    // work memory comes on top.
    const std::size_t bound = PrivateBytes() + 2 * PPixo::kMaxPixelBytes;
    int files = 0, written = 0;
    for (const char* name : {"phone.heic", "phone.webp", "phone.jpg"}) {
        SCOPED_TRACE(name);
        const std::string original = ReadFile(PictureFixtures() + name);
        ASSERT_FALSE(original.empty());
        const std::string ext = std::string(name).substr(std::string(name).rfind('.'));
        for (int round = 0; round < 667; ++round, ++files) {
            std::string bytes = original;
            const int changes = 1 + static_cast<int>(next() % 6);
            for (int i = 0; i < changes; ++i) {
                // Mostly the headers and boxes, sometimes anywhere.
                const std::size_t span = (next() % 3) ? std::min<std::size_t>(bytes.size(), 600) : bytes.size();
                bytes[next() % span] = static_cast<char>(next() & 0xFF);
            }
            if (round % 10 == 0) bytes.resize(next() % bytes.size());
            ShrinkCall call{folder / ("m" + std::to_string(round) + ext), folder / "out.jpg"};
            WriteFile(call.source, bytes);
            const auto thread =
                reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, ShrinkCall::Run, &call, 0, nullptr));
            ASSERT_NE(thread, nullptr);
            const DWORD waited = ::WaitForSingleObject(thread, 10000);
            ::CloseHandle(thread);
            ASSERT_EQ(waited, WAIT_OBJECT_0) << "still working after 10 s on round " << round;
            if (call.outcome == sendui::PictureAccess::Outcome::Written) {
                ++written;
                PPixo image;
                ASSERT_TRUE(sendui::LoadImageFile(call.target.c_str(), &image, 15)) << "round " << round;
                EXPECT_EQ(image.GetImageWidth(), 64) << "round " << round;
            }
            ASSERT_LT(PrivateBytes(), bound) << "round " << round;
            ::DeleteFileA(call.source.c_str());
            ::DeleteFileA(call.target.c_str());
        }
    }
    EXPECT_EQ(files, 2001);
    // Most changes leave a readable picture: the run is not all refusals.
    EXPECT_GT(written, files / 4);
}

}  // namespace
}  // namespace email32::test
