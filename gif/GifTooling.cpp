#include "public/tooling/GifTooling.h"

#include "gif/Gif89a.h"
#include "gif/GifFrame.h"
#include "companions/rasio/Rasio32.h"

#include <cstdio>
#include <string>

int Email32GifIsAnimated(const char* path, int* animated) {
    if (animated == nullptr) return kEmail32GifUnreadable;
    *animated = 0;
    CFileStatus status;
    if (path == nullptr || !CFile::GetStatus(path, status)) return kEmail32GifUnreadable;
    try {
        CGif89a gif;
        *animated = gif.IsAnimated(path) ? 1 : 0;
        return kEmail32GifOk;
    } catch (const CArchiveException&) {
        return kEmail32GifDamaged;
    }
}

int Email32GifSaveFrames(const char* path, const char* folder, int* frameCount) {
    if (frameCount) *frameCount = 0;
    if (folder == nullptr) return kEmail32GifWriteFailed;
    try {
        CGif89a gif;
        if (!gif.Load(path)) return kEmail32GifUnreadable;
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
                return kEmail32GifWriteFailed;
            ++index;
            if (frameCount) *frameCount = index;
        }
        return kEmail32GifOk;
    } catch (const CArchiveException&) {
        return kEmail32GifDamaged;
    }
}

int Email32GifRewrite(const char* source, const char* destination) {
    try {
        CGif89a gif;
        if (!gif.Load(source)) return kEmail32GifUnreadable;
        CFile file;
        if (!file.Open(destination, CFile::modeCreate | CFile::modeWrite)) return kEmail32GifWriteFailed;
        CArchive archive(&file, CArchive::store);
        gif.Save(archive);
        archive.Close();
        return kEmail32GifOk;
    } catch (const CArchiveException&) {
        return kEmail32GifDamaged;
    } catch (const CFileException&) {
        return kEmail32GifWriteFailed;
    }
}
