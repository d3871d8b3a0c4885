// Text written into 24-bit pictures.
#include "public/Utility.h"

#include "companions/pixo/PPixo.h"
#include "imaging/TextOnImage.h"

int CUtility::PixoTextOut(PPixo* image, CString text, CPoint* /*point*/, CFont* font, unsigned long colour) {
    if (image == nullptr) return 0;
    // Top-left aligned, clipped to the picture, lines broken only where the
    // text breaks them.
    const RECT whole = {0, 0, image->GetImageWidth(), image->GetImageHeight()};
    return email32::imaging::WriteTextIntoPicture(*image, text, whole, font, colour, 0) ? 1 : 0;
}

int CUtility::PixoDrawText(PPixo* image, const CString& text, RECT* rect, CFont* font, unsigned long colour,
                           unsigned int format) {
    if (image == nullptr) return 0;
    // DrawText may rewrite the rectangle (DT_CALCRECT); it gets a copy.
    const RECT layout = rect ? *rect : RECT{0, 0, image->GetImageWidth(), image->GetImageHeight()};
    return email32::imaging::WriteTextIntoPicture(*image, text, layout, font, colour, format).value_or(0);
}
