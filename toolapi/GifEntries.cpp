#include "toolapi/GifEntries.h"

#include "gif/Gif89a.h"
#include "gif/GifFrame.h"
#include "companions/rasio/Rasio32.h"

#include <cstdio>
#include <string>

namespace email32::toolapi {

GifStatus GifIsAnimated(const char* path, bool* animated) {
    if (animated == nullptr) return GifStatus::Unreadable;
    *animated = false;
    CFileStatus status;
    if (path == nullptr || !CFile::GetStatus(path, status)) return GifStatus::Unreadable;
    try {
        CGif89a gif;
        *animated = gif.IsAnimated(path) != FALSE;
        return GifStatus::Ok;
    } catch (const CArchiveException&) {
        return GifStatus::Damaged;
    }
}

GifStatus SaveGifFrames(const char* path, const char* folder, int* frameCount) {
    if (frameCount) *frameCount = 0;
    if (folder == nullptr) return GifStatus::WriteFailed;
    try {
        CGif89a gif;
        if (!gif.Load(path)) return GifStatus::Unreadable;
        int index = 0;
        for (POSITION position = gif.Blocks().GetHeadPosition(); position != nullptr;) {
            auto* block = static_cast<CGifBlock*>(gif.Blocks().GetNext(position));
            if (block->m_nKind != CGifBlock::kFrame) continue;
            auto* frame = static_cast<CGifFrame*>(block);
            if (!frame->HasImage()) continue;
            char name[32];
            std::snprintf(name, sizeof name, "\\frame-%03d.png", index);
            const std::string file = std::string(folder) + name;
            const PPixo* image = frame->TrueColorImage();
            PixoLmmInfo record{};
            if (!image->GetLmmInfo(&record) || !RasioSaveDIBImg(file.c_str(), &record, image->GetLmmOffset(), 0))
                return GifStatus::WriteFailed;
            ++index;
            if (frameCount) *frameCount = index;
        }
        return GifStatus::Ok;
    } catch (const CArchiveException&) {
        return GifStatus::Damaged;
    }
}

GifStatus RewriteGif(const char* source, const char* destination) {
    try {
        CGif89a gif;
        if (!gif.Load(source)) return GifStatus::Unreadable;
        CFile file;
        if (!file.Open(destination, CFile::modeCreate | CFile::modeWrite)) return GifStatus::WriteFailed;
        CArchive archive(&file, CArchive::store);
        gif.Save(archive);
        archive.Close();
        return GifStatus::Ok;
    } catch (const CArchiveException&) {
        return GifStatus::Damaged;
    } catch (const CFileException&) {
        return GifStatus::WriteFailed;
    }
}

}  // namespace email32::toolapi
