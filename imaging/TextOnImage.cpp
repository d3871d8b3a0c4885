#include "imaging/TextOnImage.h"

#include "companions/pixo/PPixo.h"
#include "base/Win32Handles.h"

#include <new>
#include <string>
#include <vector>

namespace email32::imaging {
namespace {

bool DrawableDepth(int bitsPerPixel) {
    switch (bitsPerPixel) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
    case 48: return true;
    default: return false;
    }
}

// Draws the text on the key colour into a bitmap of the screen's format.
// Null when the bitmap cannot be made or has a depth the picture library
// cannot read back.
base::AutoGdiObject DrawOffScreen(int width, int height, const CString& text, RECT& layout, const CFont* font,
                                  COLORREF colour, UINT format, int& drawResult) {
    base::AutoMemoryDc memory;
    base::AutoGdiObject bitmap;
    {
        // The desktop's context only for as long as it takes to match it.
        base::WindowDc desktop(::GetDesktopWindow());
        if (desktop.get() == nullptr) return {};
        memory.reset(::CreateCompatibleDC(desktop.get()));
        bitmap.reset(::CreateCompatibleBitmap(desktop.get(), width, height));
    }
    BITMAP info = {};
    if (!memory || !bitmap || ::GetObjectA(bitmap.get(), sizeof info, &info) == 0 || !DrawableDepth(info.bmBitsPixel)) {
        return {};
    }

    ::SetBkMode(memory.get(), TRANSPARENT);
    ::SetTextColor(memory.get(), colour);
    // DT_MODIFYSTRING writes into the text: it gets a copy with the room
    // DrawText may use.
    std::string writable = text.str();
    writable.append(4, '\0');
    {
        base::SelectedObject selectedBitmap(memory.get(), bitmap.get());
        base::SelectedObject selectedFont(memory.get(), font ? font->GetSafeHandle() : nullptr);
        base::AutoGdiObject brush(::CreateSolidBrush(KeyColourFor(colour)));
        RECT whole = {0, 0, width, height};
        ::FillRect(memory.get(), &whole, static_cast<HBRUSH>(brush.get()));
        drawResult = ::DrawTextA(memory.get(), writable.data(), text.GetLength(), &layout, format);
    }
    // The bitmap leaves the context before its pixels are read.
    return bitmap;
}

}  // namespace

COLORREF KeyColourFor(COLORREF textColour) noexcept {
    return (textColour & 0x00FFFFFF) == RGB(255, 255, 255) ? RGB(0, 0, 0) : RGB(255, 255, 255);
}

std::optional<int> WriteTextIntoPicture(PPixo& picture, const CString& text, RECT layout, const CFont* font,
                                        COLORREF colour, UINT format) {
    // Three bytes a pixel are written below; other layouts would be corrupted.
    if (picture.IsEmpty() || picture.GetImageType() != kPixoTrueColor) return std::nullopt;
    const int width = picture.GetImageWidth();
    const int height = picture.GetImageHeight();
    try {
        int drawResult = 0;
        base::AutoGdiObject bitmap = DrawOffScreen(width, height, text, layout, font, colour, format, drawResult);
        if (!bitmap) return std::nullopt;
        PPixo mask;
        if (!mask.CreateImage(static_cast<HBITMAP>(bitmap.get()), nullptr, 1, 1) ||
            !mask.ConvertTo24bit(nullptr, 0, 100) || mask.GetImageWidth() != width || mask.GetImageHeight() != height) {
            return std::nullopt;
        }
        bitmap.reset();

        const COLORREF key = KeyColourFor(colour);
        const BYTE keyPixel[3] = {GetBValue(key), GetGValue(key), GetRValue(key)};
        const BYTE textPixel[3] = {GetBValue(colour), GetGValue(colour), GetRValue(colour)};
        const std::size_t lineBytes = static_cast<std::size_t>(picture.GetLineBytes());
        std::vector<BYTE> line(lineBytes + 4, 0);
        std::vector<BYTE> maskLine(static_cast<std::size_t>(mask.GetLineBytes()) + 4, 0);
        for (int row = 0; row < height; ++row) {
            if (!picture.GetHorLine(row, line.data()) || !mask.GetHorLine(row, maskLine.data())) continue;
            for (int x = 0; x < width; ++x) {
                const BYTE* drawn = &maskLine[static_cast<std::size_t>(x) * 3];
                if (drawn[0] != keyPixel[0] || drawn[1] != keyPixel[1] || drawn[2] != keyPixel[2]) {
                    BYTE* pixel = &line[static_cast<std::size_t>(x) * 3];
                    pixel[0] = textPixel[0];
                    pixel[1] = textPixel[1];
                    pixel[2] = textPixel[2];
                }
            }
            (void)picture.PutHorLine(row, line.data());
        }
        return drawResult;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace email32::imaging
