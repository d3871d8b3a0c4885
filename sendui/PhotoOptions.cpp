#include "sendui/PhotoOptions.h"

#include "base/IniFile.h"

namespace email32 {
namespace {

constexpr char kSection[] = "Options";

}  // namespace

PhotoOptions ReadPhotoOptions(const std::string& aliveDb) {
    PhotoOptions options;
    options.shrinkPhotos = ini::ReadUnsigned(aliveDb, kSection, "ShrinkPhotos") == 1;
    options.keepLocation = ini::ReadUnsigned(aliveDb, kSection, "KeepLocation") == 1;
    return options;
}

bool StoreShrinkPhotos(const std::string& aliveDb, bool shrinkPhotos) {
    return ini::Rewrite(aliveDb, [shrinkPhotos](ini::IniDocument& file) {
               file.Set(kSection, "ShrinkPhotos", shrinkPhotos ? "1" : "0");
           }) == ini::RewriteResult::Written;
}

}  // namespace email32
