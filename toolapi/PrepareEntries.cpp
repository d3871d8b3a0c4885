#include "toolapi/PrepareEntries.h"

#include "framework/WaitCursor.h"
#include "sendui/AttachmentPreparation.h"
#include "sendui/ResourceIds.h"

#include <cstdio>

namespace email32::toolapi {
namespace {

std::string LoadText(unsigned int id) {
    CString text;
    text.LoadString(id);
    return text.str();
}

}  // namespace

std::string OriginalChoiceText() { return LoadText(IDS_ORIGINAL_FILE); }

std::string JpgChoiceText() { return LoadText(IDS_JPG); }

PreparedAttachments PrepareAttachments(const std::string& format, const std::string& resolution,
                                       const std::vector<std::string>& sources, const PhotoChoice& photos) {
    const CWaitCursor wait;
    CStringList source(10);
    for (const std::string& path : sources) source.AddTail(path);

    char appData[MAX_PATH] = {};
    sendui::GetAppDataFolder(appData);
    sendui::AttachmentPreparation preparation(sendui::PreparationFolder(appData), [](const CString& text) {
        std::fprintf(stderr, "%s\n", static_cast<const char*>(text));
    });
    preparation.SetPhotoOptions({photos.shrinkPhotos, photos.keepLocation});
    CStringList current(10);
    const bool prepared = preparation.Run(format, resolution, source, current);

    PreparedAttachments result;
    const CStringList& sent = prepared ? current : source;
    for (const CString& path : sent.Items()) result.files.push_back(path.str());
    result.sizeText = sendui::EstimateSize(sent).str();
    return result;
}

}  // namespace email32::toolapi
