#include "sendui/PhotoOptions.h"

#include "base/IniFile.h"

namespace email32::sendui {
namespace {

constexpr char kSection[] = "Options";

}  // namespace

PhotoOptions ReadPhotoOptions(const std::string& aliveDb) {
    PhotoOptions options;
    options.shrinkPhotos = base::ReadUnsigned(aliveDb, kSection, "ShrinkPhotos") == 1;
    options.keepLocation = base::ReadUnsigned(aliveDb, kSection, "KeepLocation") == 1;
    return options;
}

bool StoreShrinkPhotos(const std::string& aliveDb, bool shrinkPhotos) {
    return base::Rewrite(aliveDb, [shrinkPhotos](base::IniDocument& file) {
               file.Set(kSection, "ShrinkPhotos", shrinkPhotos ? "1" : "0");
           }) == base::RewriteResult::Written;
}

}  // namespace email32::sendui
