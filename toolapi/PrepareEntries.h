// The module's interface for tools and tests: the attachment preparation of
// the send options dialog, run without a window. Hosts do not need it.
#pragma once

#include "public/Email32Api.h"

#include <string>
#include <vector>

namespace email32::toolapi {

struct PreparedAttachments {
    // The files that would be sent, one per source in order: the prepared
    // files, or the sources themselves when nothing is to be shrunk.
    std::vector<std::string> files;
    // The size text the dialog would show for them.
    std::string sizeText;
};

// The texts of the dialog's first choice ("original file") and of the JPG
// format choice, as the combo boxes show them.
EMAIL32_API std::string OriginalChoiceText();
EMAIL32_API std::string JpgChoiceText();

// The photo option for one run (the dialog's is the user's stored one).
struct PhotoChoice {
    bool shrinkPhotos = false;  // JPEG files with Exif data are shrunk too
    bool keepLocation = false;  // the photos' GPS data goes along
};

// Prepares the sources for a format and a resolution given as the combo boxes'
// texts. A picture that cannot be written back is reported on standard error.
EMAIL32_API PreparedAttachments PrepareAttachments(const std::string& format, const std::string& resolution,
                                                   const std::vector<std::string>& sources,
                                                   const PhotoChoice& photos = {});

}  // namespace email32::toolapi
