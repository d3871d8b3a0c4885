// The module's interface for tools and tests: the attachment preparation of
// the send options dialog, run without a window. Hosts do not need it.
#pragma once

#include "public/Email32Api.h"

#include <string>
#include <vector>

namespace email32::tooling {

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

// Prepares the sources for a format and a resolution given as the combo boxes'
// texts. A picture that cannot be written back is reported on standard error.
EMAIL32_API PreparedAttachments PrepareAttachments(const std::string& format, const std::string& resolution,
                                                   const std::vector<std::string>& sources);

}  // namespace email32::tooling
