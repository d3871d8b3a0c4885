#include "public/tooling/GifTooling.h"

#include "gif/Gif89a.h"
#include "gif/GifFrame.h"

#include <vector>

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

int Email32GifForEachFrame(const char* path, Email32GifFrameFn fn, void* context, int* frameCount) {
    if (frameCount) *frameCount = 0;
    try {
        CGif89a gif;
        if (!gif.Load(path)) return kEmail32GifUnreadable;
        int index = 0;
        std::vector<BYTE> rows;
        for (POSITION position = gif.Blocks().GetHeadPosition(); position != nullptr;) {
            auto* block = static_cast<CGifBlock*>(gif.Blocks().GetNext(position));
            if (block->m_nKind != CGifBlock::kFrame) continue;
            auto* frame = static_cast<CGifFrame*>(block);
            if (!frame->HasImage()) continue;
            const PPixo* image = frame->TrueColorImage();
            const int stride = image->GetLineBytes();
            rows.assign(static_cast<std::size_t>(stride) * static_cast<std::size_t>(image->GetImageHeight()), 0);
            for (int y = 0; y < image->GetImageHeight(); ++y)
                image->GetHorLine(y, rows.data() + static_cast<std::size_t>(y) * stride);
            if (fn && fn(context, index, image->GetImageWidth(), image->GetImageHeight(), rows.data(), stride) != 0) break;
            ++index;
        }
        if (frameCount) *frameCount = index;
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
