// The user's choice about photos (JPEG files with Exif data), kept per user
// in AliveDB.ini, section "Options": ShrinkPhotos=1 has them shrunk like
// other pictures, turned upright and without their location, which
// KeepLocation=1 keeps. Both 0 when missing.
#pragma once

#include <string>

namespace email32::sendui {

struct PhotoOptions {
    bool shrinkPhotos = false;
    bool keepLocation = false;
};

[[nodiscard]] PhotoOptions ReadPhotoOptions(const std::string& aliveDb);
// Writes ShrinkPhotos; KeepLocation is only ever read. False when the file
// cannot be written (or another writer holds it past the wait).
bool StoreShrinkPhotos(const std::string& aliveDb, bool shrinkPhotos);

}  // namespace email32::sendui
