#include "sendui/ImageFileIO.h"

#include "companions/kromo/PKromo.h"
#include "companions/pixo/PPixo.h"
#include "companions/rasio/Rasio32.h"
#include "companions/tagscan/Tagscan.h"
#include "sendui/ResourceIds.h"

#include <cstring>
#include <memory>

namespace email32::sendui {
namespace {

struct ColourType {
    UINT nameId;
    int target;
    int accepted;
    int colours;
};

// In the order in which they are tried.
constexpr ColourType kColourTypes[] = {
    {IDS_INDEX_16, kPixoIndexed16, kPixoGray16, 16},        {IDS_GRAY_16, kPixoGray16, kPixoGray16, 16},
    {IDS_INDEX_256, kPixoIndexed256, kPixoGray256, 256},    {IDS_GRAY_256, kPixoGray256, kPixoGray256, 256},
    {IDS_BLACK_WHITE, kPixoBlackWhite, kPixoBlackWhite, 2}, {IDS_TRUE_COLOR, kPixoTrueColor, kPixoTrueColor, 0},
};

bool EndsWithNoCase(const char* text, const char* tail) {
    const std::size_t n = std::strlen(text), m = std::strlen(tail);
    return n >= m && ::lstrcmpiA(text + (n - m), tail) == 0;
}

bool Loadable(int type) {
    switch (type) {
    case kPixoBlackWhite:
    case kPixoTrueColor:
    case kPixoIndexed16:
    case kPixoIndexed256:
    case kPixoGray16:
    case kPixoGray256:
    case kPixoRgb555:
    case kPixoRgb565:
    case kPixoBgrx32: return true;
    default: return false;
    }
}

}  // namespace

void RasioFileTraits::close(RasioFile* file) noexcept { RasioCloseFile(file); }

PictureFile::PictureFile(const char* path) : m_path(path ? path : "") {
    if (m_path.empty()) return;
    m_file.reset(RasioOpenFile(m_path.c_str()));
    if (m_file && !RasioFileSize(m_file.get(), &m_width, &m_height)) m_file.reset();
}

BOOL PictureFile::Load(PPixo* image, int flags, int minWidth, int minHeight) {
    if (!m_file || image == nullptr) return FALSE;
    // A bitmap information header with room for the three masks of a
    // 16-bit picture, which follow the header as in a BITMAPINFO.
    struct {
        BITMAPINFOHEADER header;
        DWORD masks[3];
    } info{};
    if (!RasioFileHeader(m_file.get(), minWidth, minHeight, &info.header)) return FALSE;
    struct PaletteOwner {
        HPALETTE handle;
        ~PaletteOwner() {
            if (handle) ::DeleteObject(handle);
        }
    } palette{RasioFilePalette(m_file.get())};
    const BITMAPINFOHEADER& h = info.header;
    int type = PPixo::GetImageType(h.biBitCount, 0);
    if (type == kPixoUnsupported || h.biWidth <= 0 || h.biHeight <= 0) return FALSE;
    if (h.biBitCount == 16 && EndsWithNoCase(m_path.c_str(), ".bmp")) {
        if (h.biCompression == BI_BITFIELDS && !RasioFileBitFields(m_file.get(), info.masks)) return FALSE;
        type = PPixo::GetImageType(&info.header);
    }
    if (!image->CreateImage(type, h.biWidth, h.biHeight, static_cast<int>(h.biClrUsed), nullptr, h.biXPelsPerMeter,
                            h.biYPelsPerMeter, flags, 0, 0)) {
        return FALSE;
    }
    if (!Loadable(image->GetImageType())) return FALSE;
    PixoLmmInfo record{};
    const bool read = image->GetLmmInfo(&record) && RasioFileReadDIBImg(m_file.get(), &record, image->GetLmmOffset());
    // The decoder's own copy of the picture, and its hold on the file, go now.
    m_file.reset();
    if (!read) return FALSE;
    if (palette.handle != nullptr) {
        image->SetPalette(palette.handle, 1);
        palette.handle = nullptr;
        // Grey files come with the grey ramp: they are grey pictures.
        image->AdoptGreyRamp();
    }
    return TRUE;
}

bool PictureFile::Metadata(RasioMetadata& metadata) const {
    return m_file && RasioFileMetadata(m_file.get(), &metadata);
}

bool PictureFile::IsJpeg() const noexcept { return ReadsScaled(); }

bool PictureFile::ReadsScaled() const noexcept { return m_file && RasioFileReadsScaled(m_file.get()); }

BOOL PictureFile::LoadScaled(PPixo* image, int flags, const Scaling& scaling) {
    if (!m_file || image == nullptr || scaling.width <= 0 || scaling.height <= 0) return FALSE;
    if (!ReadsScaled()) {
        auto source = std::make_unique<PPixo>();
        if (!Load(source.get(), flags, scaling.width, scaling.height)) return FALSE;
        const HPALETTE palette = source->GetPalette(nullptr);
        (void)image->CreateImage(source->GetImageType(), scaling.width, scaling.height, 0, nullptr,
                                 scaling.keepDensity ? source->GetXDensity() : 0,
                                 scaling.keepDensity ? source->GetYDensity() : 0, flags, 0, 0);
        const BOOL ok = image->RescaleImage(*source, nullptr, 0, 100);
        if (palette) image->SetPalette(palette, 1);
        return ok;
    }
    BITMAPINFOHEADER h{};
    if (!RasioFileHeader(m_file.get(), scaling.width, scaling.height, &h)) return FALSE;
    const int type = PPixo::GetImageType(h.biBitCount, 0);
    if (type == kPixoUnsupported ||
        !image->CreateImage(type, scaling.width, scaling.height, static_cast<int>(h.biClrUsed), nullptr,
                            scaling.keepDensity ? h.biXPelsPerMeter : 0, scaling.keepDensity ? h.biYPelsPerMeter : 0,
                            flags, 0, 0)) {
        return FALSE;
    }
    if (const HPALETTE palette = RasioFilePalette(m_file.get())) {
        image->SetPalette(palette, 1);
        image->AdoptGreyRamp();
    }
    PixoLmmInfo record{};
    const bool read = image->GetLmmInfo(&record) &&
                      RasioFileReadScaled(m_file.get(), &record, image->GetLmmOffset(), scaling.helperThread);
    m_file.reset();
    return read ? TRUE : FALSE;
}

BOOL LoadImageFile(const char* path, PPixo* image, int flags) {
    if (path == nullptr || *path == '\0' || image == nullptr) return FALSE;
    return PictureFile(path).Load(image, flags);
}

BOOL SaveImageFile(const char* path, PPixo* image) {
    if (path == nullptr || *path == '\0' || image == nullptr) return FALSE;
    PixoLmmInfo record{};
    if (!image->GetLmmInfo(&record)) return FALSE;
    return RasioSaveDIBImg(path, &record, image->GetLmmOffset(), 0);
}

BOOL ConvertColourType(const char* path, PPixo* image, CString colourName) {
    if (image == nullptr) return FALSE;
    const ColourType* row = nullptr;
    for (const ColourType& candidate : kColourTypes) {
        CString name;
        if (name.LoadString(candidate.nameId) && colourName.Compare(name) == 0) {
            row = &candidate;
            break;
        }
    }
    if (row == nullptr) return FALSE;
    if (image->IsEmpty() && !LoadImageFile(path, image, 15)) return FALSE;
    const int type = image->GetImageType();
    if (type == row->target || type == row->accepted) return TRUE;

    auto converter = std::make_unique<PKromo>();
    auto target = std::make_unique<PPixo>();
    BOOL ok = target->CreateImage(row->target, image->GetImageWidth(), image->GetImageHeight(), row->colours, nullptr,
                                  0, 0, 15, 0, 0);
    if (ok) {
        // Only the indexed types take a palette fitted to the picture; grey
        // and black-and-white targets keep their fixed tables, and a true
        // colour target has none to fit.
        if (row->target == kPixoIndexed16 || row->target == kPixoIndexed256) {
            target->SetPalette(PKromo::CreateCustomPalette(*image, row->colours), 1);
        }
        const PKromoMethod method{PKromo::kNearestColour, 0, 0};
        ok = converter->BuildAgent(target.get(), image, method);
        if (ok) ok = converter->ConvertImg(nullptr, nullptr, nullptr, 0, 100);
        if (ok) {
            image->DeleteImage(1);
            ok = image->CopyObject(*target);
        }
    }
    return ok;
}

int HasExif(CString path) { return IsExifFile(path) ? 1 : 0; }

}  // namespace email32::sendui
