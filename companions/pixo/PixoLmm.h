// The layout description that travels with an image's pixel memory.
//
// GetLmmInfo's record says where line 0 lies, how long a line is and how
// many lines there are; that is enough to copy pixels but not to write a
// file, which also needs the width, the depth and the colour table. So the
// image keeps this description just before line 0, and GetLmmOffset gives its
// position relative to the record's line-0 pointer (a negative offset). The
// file library reads the layout from there and checks it against the record.
#pragma once

#include <windows.h>

struct PixoLmmLayout {
    // biHeight is negative (lines run top-down); 16-bit 5-6-5 pictures have
    // BI_BITFIELDS with the three masks in colours[0..2].
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];  // biClrUsed entries are valid
};

static_assert(sizeof(PixoLmmLayout) % 4 == 0, "lines stay 4-byte aligned after the description");
