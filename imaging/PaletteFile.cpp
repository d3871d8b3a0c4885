// Palettes loaded from and saved to palette files.
#include "imaging/PaletteFile.h"

#include "imaging/LogicalPalette.h"
#include "base/Win32Handles.h"
#include "public/Utility.h"

#include <memory>
#include <new>
#include <vector>

namespace {

using email32::base::AutoCloseHandle;

// Reads up to `size` bytes; the number read (fewer at the end of the file).
DWORD ReadUpTo(HANDLE file, void* buffer, DWORD size) {
    DWORD total = 0;
    while (total < size) {
        DWORD got = 0;
        if (!::ReadFile(file, static_cast<BYTE*>(buffer) + total, size - total, &got, nullptr) || got == 0) break;
        total += got;
    }
    return total;
}

}  // namespace

CPalette* CUtility::LoadFilePalette(CString path) {
    using namespace email32::imaging;
    email32::base::AutoCloseHandle file(
        ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return nullptr;
    BYTE head[kPaletteFileHeadBytes] = {};
    if (ReadUpTo(file.get(), head, sizeof head) != sizeof head) return nullptr;
    const unsigned count = head[0] | (head[1] << 8);
    if (count >= kPaletteFileCountLimit) return nullptr;
    try {
        // Entries the file does not hold stay black with flags 0.
        std::vector<PALETTEENTRY> entries(count, PALETTEENTRY{0, 0, 0, 0});
        (void)ReadUpTo(file.get(), entries.data(), static_cast<DWORD>(count * kPaletteFileEntryBytes));
        file.reset();
        auto palette = std::make_unique<CPalette>();
        // A palette the platform refuses gives an object without one, which
        // the caller can still save or copy from (as nothing).
        (void)palette->Attach(MakePalette(entries));
        return palette.release();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

int CUtility::SavePalette(CString path, CPalette* palette) {
    using namespace email32::imaging;
    if (palette == nullptr) return 0;
    email32::base::AutoCloseHandle file(
        ::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 0;
    PALETTEENTRY entries[kMaxCopiedEntries] = {};
    const UINT count = palette->GetPaletteEntries(0, kMaxCopiedEntries, entries);
    BYTE bytes[PaletteFileBytes(kMaxCopiedEntries)] = {};
    bytes[0] = static_cast<BYTE>(count & 0xFF);
    bytes[1] = static_cast<BYTE>(count >> 8);
    BYTE* out = bytes + kPaletteFileHeadBytes;
    for (UINT i = 0; i < count; ++i) {
        const PALETTEENTRY& entry = entries[i];
        *out++ = entry.peRed;
        *out++ = entry.peGreen;
        *out++ = entry.peBlue;
        *out++ = entry.peFlags;
    }
    const auto size = static_cast<DWORD>(PaletteFileBytes(count));
    DWORD written = 0;
    // A short write (a full disk) is reported rather than passed off as a
    // saved palette.
    return ::WriteFile(file.get(), bytes, size, &written, nullptr) && written == size ? 1 : 0;
}
