// The preparation of shrunk attachments: from the attachments as the host
// gave them (the source list) and the two choices of the send options dialog,
// the files that would be sent instead (the current list). Works on copies in
// the per-user temporary folder; the host's files are only ever read.
#pragma once

#include "public/framework/Collections.h"
#include "public/framework/CString.h"
#include "sendui/PhotoOptions.h"

#include <functional>
#include <string>

namespace email32::sendui {

// The per-user application-data folder as "Userpath.dll" reports it; buffer
// is left unchanged when the library cannot be loaded.
void GetAppDataFolder(char (&buffer)[MAX_PATH]);
// The temporary folder of the preparation below an application-data folder,
// with a trailing backslash. Without an application-data folder, a folder
// under the system's temporary folder is used.
[[nodiscard]] std::string PreparationFolder(const char* appDataFolder);
// The "%ld KB" text for the total size of the files, in kilobytes of 1024
// bytes rounded up; files that cannot be opened count 0.
[[nodiscard]] CString EstimateSize(const CStringList& files);

class AttachmentPreparation {
public:
    // warn is shown a message when a rescaled picture cannot be written.
    AttachmentPreparation(std::string tempFolder, std::function<void(const CString&)> warn);

    // Photos (JPEG files with Exif data) are sent as they are unless the
    // options say to shrink them.
    void SetPhotoOptions(const PhotoOptions& options) noexcept { m_photos = options; }

    // Prepares the sources for the chosen format and resolution (combo-box
    // texts). Returns false, leaving current alone, when both are the
    // original file; otherwise current holds one entry per source, in order.
    // An exception from reading a damaged picture leaves current as it was.
    bool Run(const CString& format, const CString& resolution, const CStringList& source, CStringList& current);

private:
    std::string m_tempFolder;
    std::function<void(const CString&)> m_warn;
    PhotoOptions m_photos;
};

}  // namespace email32::sendui
