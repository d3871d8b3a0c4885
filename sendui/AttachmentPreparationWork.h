// The per-file work of the attachment preparation: what one attachment
// needs, decided beforehand on the caller's thread, and the pool of threads
// that does it for several attachments at once.
#pragma once

#include <string>
#include <vector>

namespace email32::sendui {

struct AttachmentJob {
    std::string source;      // the host's file, only ever read
    std::string copy;        // its working copy; empty when the source is sent as it is
    std::string jpeg;        // the JPG file the copy becomes; empty for no conversion
    int width = 0;           // the width the result is scaled to; 0 for none
    bool scaleCopy = false;  // the copy's own format is rescaled when it stays unconverted
    // The work decodes a picture that is not JPEG, with memory and decoders
    // of its own size: it runs with no other job beside it.
    bool alone = false;
    // A photo, or a picture of a phone or web format: made straight into the
    // file that is sent (jpeg, else copy), upright, with its Exif data made
    // fit to send; when that fails the source is sent as it is.
    bool photo = false;
    bool keepLocation = false;
};

struct AttachmentOutcome {
    std::string sent;         // the file the current list names
    bool notWritten = false;  // a rescaled picture could not be written
};

// Processors this process may run on.
[[nodiscard]] unsigned ProcessorsAvailable() noexcept;

// Does every job and returns their outcomes in the same order: on the calling
// thread alone for one job, otherwise on a pool of one thread per processor
// (at most four, the calling thread among them) that is gone before this
// returns. A single large JPEG picture may share its decode with a second
// thread instead.
[[nodiscard]] std::vector<AttachmentOutcome> RunAttachmentJobs(const std::vector<AttachmentJob>& jobs);

// The outcome of one job, as the steps one after another would give it:
// copy, convert, rescale in place. Where every step succeeds the result is
// made straight from the source instead, with one decode and one write.
[[nodiscard]] AttachmentOutcome RunAttachmentJob(const AttachmentJob& job, bool helperThread) noexcept;

}  // namespace email32::sendui
