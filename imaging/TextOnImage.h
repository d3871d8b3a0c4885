// Text written into a 24-bit picture: drawn by GDI into an off-screen bitmap
// of the picture's size, then every pixel the drawing touched is set to the
// text colour in the picture, row by row. No blending: smoothed edges become
// the full text colour.
#pragma once

#include "public/framework/CString.h"
#include "public/framework/Gdi.h"

#include <windows.h>

#include <optional>

class PPixo;

namespace email32::imaging {

// The off-screen background: white, or black for white text.
[[nodiscard]] COLORREF KeyColourFor(COLORREF textColour) noexcept;

// Draws the text with DrawText into `layout` (picture coordinates) and merges
// it into the picture. The drawing's own result, or nothing (and the picture
// untouched) for a picture that is empty or not 24-bit, or when the
// off-screen drawing cannot be made.
[[nodiscard]] std::optional<int> WriteTextIntoPicture(PPixo& picture, const CString& text, RECT layout,
                                                      const CFont* font, COLORREF colour, UINT format);

}  // namespace email32::imaging
